# Runs a generator of tools/ (a node script with pinned npm packages) and compares its output with
# the committed file byte for byte.
#   cmake -DTOOL_DIR=<tools/x> -DSCRIPT=<generate.js> [-DINPUTS=<more files of TOOL_DIR>]
#         -DOUTPUT=<file name> -DCOMMITTED=<committed file> -DWORK=<scratch folder> -P this
# The packages are installed into WORK with "npm ci" from the committed package-lock.json, so they
# and their integrity hashes are exactly the pinned ones. Without node or npm on the machine the
# test is skipped (scripts/install-deps installs both), and so it is when the npm registry cannot
# be reached (a machine without network): neither says anything about the committed file.

find_program(NODE NAMES node nodejs)
find_program(NPM npm)
if(NOT NODE OR NOT NPM)
  message("SKIPPED: node or npm is not installed; scripts/install-deps installs them")
  return()
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(inputs package.json package-lock.json ${SCRIPT})
string(REPLACE "," ";" more "${INPUTS}")
list(APPEND inputs ${more})
foreach(input ${inputs})
  file(COPY ${TOOL_DIR}/${input} DESTINATION ${WORK})
endforeach()

execute_process(
  COMMAND ${NPM} ping
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET
  TIMEOUT 120)
if(NOT status EQUAL 0)
  message("SKIPPED: the npm registry cannot be reached (npm ping: ${status})")
  return()
endif()

execute_process(
  COMMAND ${NPM} ci --ignore-scripts --no-audit --no-fund
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "npm ci in ${WORK} failed (${status}): the pinned packages could not be "
                      "installed from the npm registry")
endif()

execute_process(
  COMMAND ${NODE} ${WORK}/${SCRIPT} ${WORK}/${OUTPUT}
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (${status})")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${OUTPUT} ${COMMITTED}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from the generator's output ${WORK}/${OUTPUT}; "
                      "run \"npm ci && node ${SCRIPT}\" in ${TOOL_DIR} and commit the result")
endif()
message("${OUTPUT} matches ${COMMITTED}")
