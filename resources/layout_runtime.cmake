# Lays the runtime files beside the binary. Run with -P.
file(MAKE_DIRECTORY ${DEST})

# Builds brenik.db from the schema, through a temporary file so that a failed
# run leaves nothing half made. It holds the password digests: readable by
# its owner only, as are the journal files SQLite makes beside it with the
# file's own mode, so the file exists with that mode before SQLite opens it.
function(make_database)
  set(tmp ${DEST}/brenik.db.new)
  file(REMOVE ${tmp})
  file(TOUCH ${tmp})
  file(CHMOD ${tmp} PERMISSIONS OWNER_READ OWNER_WRITE)
  execute_process(COMMAND ${SQLITE3} ${tmp} INPUT_FILE ${SCHEMA} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE ${tmp})
    message(FATAL_ERROR "Could not build brenik.db from ${SCHEMA}: ${err}")
  endif()
  file(RENAME ${tmp} ${DEST}/brenik.db)
  message(STATUS "Created ${DEST}/brenik.db")
endfunction()

# The database holds the operator's accounts and logs: it is made when it is
# missing, or when it holds no tables at all (a start of the program with the
# file missing leaves an empty one, with which no log-in can succeed). A
# database with tables is never touched.
if(NOT EXISTS ${DEST}/brenik.db)
  make_database()
else()
  execute_process(COMMAND ${SQLITE3} ${DEST}/brenik.db
                    "SELECT (SELECT COUNT(*) FROM sqlite_master WHERE type='table') || ' ' || (SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='users');"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE counts ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(WARNING "${DEST}/brenik.db could not be read and is left as it is: ${err}")
  elseif(counts STREQUAL "0 0")
    make_database()
  elseif(counts MATCHES " 0$")
    message(WARNING "${DEST}/brenik.db has no users table, so no log-in can succeed; it holds other tables and is left as it is")
  endif()
endif()

file(GLOB files ${SOURCE_DIR}/*)
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME)
  if(name STREQUAL "setting.ini")
    if(NOT EXISTS ${DEST}/setting.ini)
      file(COPY ${f} DESTINATION ${DEST})
    endif()
  elseif(IS_DIRECTORY ${f})
    file(COPY ${f} DESTINATION ${DEST})
  else()
    configure_file(${f} ${DEST}/${name} COPYONLY)
  endif()
endforeach()
