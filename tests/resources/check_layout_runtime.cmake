# Runs layout_runtime.cmake on a missing, an empty and a used database and
# checks that only the first two are (re)made from the schema, readable by
# their owner only.
function(layout dest)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSQLITE3=${SQLITE3} -DSCHEMA=${SCHEMA} -DSOURCE_DIR=${SOURCE_DIR}
                          -DDEST=${dest} -P ${LAYOUT} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "layout failed in ${dest}: ${err}")
  endif()
endfunction()

function(expect_rows db sql expected)
  execute_process(COMMAND ${SQLITE3} ${db} "${sql}" OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "${db}: '${sql}' gave '${out}', expected '${expected}'")
  endif()
endfunction()

function(expect_mode db expected)
  execute_process(COMMAND stat -c %a ${db} OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT mode STREQUAL expected)
    message(FATAL_ERROR "${db}: mode ${mode}, expected ${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${SCRATCH})

# Missing: made.
layout(${SCRATCH}/missing)
expect_rows(${SCRATCH}/missing/brenik.db "SELECT user FROM users;" "admin")
expect_mode(${SCRATCH}/missing/brenik.db 600)

# Empty (what a start with the file missing leaves): made again.
file(MAKE_DIRECTORY ${SCRATCH}/empty)
file(WRITE ${SCRATCH}/empty/brenik.db "")
layout(${SCRATCH}/empty)
expect_rows(${SCRATCH}/empty/brenik.db "SELECT user FROM users;" "admin")
expect_mode(${SCRATCH}/empty/brenik.db 600)

# In use: left as it is.
layout(${SCRATCH}/used)
execute_process(COMMAND ${SQLITE3} ${SCRATCH}/used/brenik.db "UPDATE users SET user='keeper';")
file(CHMOD ${SCRATCH}/used/brenik.db PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)
layout(${SCRATCH}/used)
expect_rows(${SCRATCH}/used/brenik.db "SELECT user FROM users;" "keeper")
expect_mode(${SCRATCH}/used/brenik.db 640)

file(REMOVE_RECURSE ${SCRATCH})
