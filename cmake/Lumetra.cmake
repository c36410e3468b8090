# Source folders in dependency order; each is one library target once it has
# code. The program and the fuzz targets (fuzz/) build the same list.
set(LUMETRA_FOLDERS core model comms propertybrowser properties map views report project dialogs mainwindow resources)

# lumetra_add_library(<folder> [DEPS lib...] [PRIVATE lib...] [RESOURCES file.qrc...])
# One library per source folder, made of every source, header and form in it.
# DEPS are used by its headers (PUBLIC); PRIVATE ones only by its sources.
function(lumetra_add_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE;RESOURCES" ${ARGN})
  # Its diagnostic lines have a category of their own, found by one name.
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}logging.h)
    message(FATAL_ERROR "lumetra_${folder} declares no logging category in ${folder}/${folder}logging.h")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/*.h
    ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  add_library(lumetra_${folder} STATIC ${sources} ${ARG_RESOURCES})
  target_include_directories(lumetra_${folder} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(lumetra_${folder} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE})
endfunction()

# lumetra_check_layers(<folder>:<layer>...)
# Fails the configuration when a library links one of a higher layer (or of
# its own layer both ways): dependencies flow one way, from core upwards.
function(lumetra_check_layers)
  foreach(entry IN LISTS ARGN)
    string(REPLACE ":" ";" pair ${entry})
    list(GET pair 0 folder)
    list(GET pair 1 layer)
    set(layer_${folder} ${layer})
  endforeach()
  foreach(entry IN LISTS ARGN)
    string(REPLACE ":" ";" pair ${entry})
    list(GET pair 0 folder)
    if(NOT TARGET lumetra_${folder})
      continue()
    endif()
    get_target_property(deps lumetra_${folder} LINK_LIBRARIES)
    foreach(dep IN LISTS deps)
      if(dep MATCHES "^lumetra_(.+)$" AND DEFINED layer_${CMAKE_MATCH_1})
        set(other ${CMAKE_MATCH_1})
        if(layer_${other} GREATER layer_${folder})
          message(FATAL_ERROR "lumetra_${folder} (layer ${layer_${folder}}) must not link lumetra_${other} (layer ${layer_${other}})")
        endif()
        get_target_property(back lumetra_${other} LINK_LIBRARIES)
        if(lumetra_${folder} IN_LIST back)
          message(FATAL_ERROR "lumetra_${folder} and lumetra_${other} link each other")
        endif()
      endif()
    endforeach()
  endforeach()
endfunction()

# Under ThreadSanitizer every test skips the reports about Qt's own hand-offs
# between threads, which it cannot see (the suppressions say which).
if(LUMETRA_SANITIZE STREQUAL "tsan")
  set(LUMETRA_TEST_ENV "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=${PROJECT_SOURCE_DIR}/tests/support/qt-event-queue.tsan.supp")
endif()

# lumetra_add_test(NAME <name> SOURCES <files...> [LIBS <libs...>] [TIMEOUT s] [ENV k=v...])
# A QtTest executable run headless. Its private LUMETRA_HOME (TestHome) is made
# from the sources (the schema and the shipped files), never copied from the
# program's directory, whose files an operator's run changes.
function(lumetra_add_test)
  cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} lumetra_testsupport Qt5::Test)
  # Test binaries stay out of the program's own directory.
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  add_dependencies(${ARG_NAME} lumetra_runtime_files)
  get_filename_component(label ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
  list(APPEND ARG_ENV ${LUMETRA_TEST_ENV})
  set_tests_properties(${ARG_NAME} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    LABELS ${label}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMETRA_SHIPPED_DIR=${PROJECT_SOURCE_DIR}/resources/runtime;LUMETRA_SCHEMA=${PROJECT_SOURCE_DIR}/resources/db/schema.sql;LUMETRA_SQLITE3=${SQLITE3_PROGRAM};LUMETRA_BINARY=$<TARGET_FILE:lumetra>;${ARG_ENV}")
endfunction()
