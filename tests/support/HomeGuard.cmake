# Runs PROGRAM as a user whose home must stay untouched: no CASHIER_HOME, no
# XDG folders, and HOME an empty folder (HOME_DIR). Fails when the program
# fails or anything appears in that folder.
#   cmake -DPROGRAM=... -DHOME_DIR=... -P HomeGuard.cmake
file(REMOVE_RECURSE "${HOME_DIR}")
file(MAKE_DIRECTORY "${HOME_DIR}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=CASHIER_HOME --unset=XDG_CONFIG_HOME --unset=XDG_CACHE_HOME
    --unset=XDG_DATA_HOME --unset=XDG_STATE_HOME "HOME=${HOME_DIR}" "${PROGRAM}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(GLOB_RECURSE written LIST_DIRECTORIES true RELATIVE "${HOME_DIR}" "${HOME_DIR}/*")
if(written)
  message(FATAL_ERROR "${PROGRAM} wrote under the user's home: ${written}")
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed (${result}):\n${output}")
endif()
