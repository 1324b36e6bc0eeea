# For the scripts that reproduce a generated file: installs a tool's pinned npm packages into a
# scratch folder with "npm ci" from the committed lock file, so they and their integrity hashes are
# exactly the pinned ones. Without node or npm, or without the npm registry (a machine without
# network), the calling script is skipped: neither says anything about the committed file. A macro,
# so that its return() ends the calling script.
macro(tintel_npm_ci folder)
  find_program(NODE NAMES node nodejs)
  find_program(NPM npm)
  if(NOT NODE OR NOT NPM)
    message("SKIPPED: node or npm is not installed; scripts/install-deps installs them")
    return()
  endif()
  execute_process(COMMAND ${NPM} ping WORKING_DIRECTORY ${folder}
                  RESULT_VARIABLE npm_status OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(NOT npm_status EQUAL 0)
    message("SKIPPED: the npm registry cannot be reached (npm ping: ${npm_status})")
    return()
  endif()
  execute_process(COMMAND ${NPM} ci --ignore-scripts --no-audit --no-fund
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE npm_status)
  if(NOT npm_status EQUAL 0)
    message(FATAL_ERROR "npm ci in ${folder} failed (${npm_status}): the pinned packages could "
                        "not be installed from the npm registry")
  endif()
endmacro()
