# Runs a generator of tools/ (a node script with pinned npm packages) and compares its output with
# the committed file byte for byte.
#   cmake -DTOOL_DIR=<tools/x> -DSCRIPT=<generate.js> [-DINPUTS=<more files of TOOL_DIR>]
#         -DOUTPUT=<file name> -DCOMMITTED=<committed file> -DWORK=<scratch folder> -P this
# The packages are installed into WORK by tintel_npm_ci (cmake/NpmCi.cmake), which skips the test
# on a machine without node, npm or the npm registry.

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/NpmCi.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(inputs package.json package-lock.json ${SCRIPT})
string(REPLACE "," ";" more "${INPUTS}")
list(APPEND inputs ${more})
foreach(input ${inputs})
  file(COPY ${TOOL_DIR}/${input} DESTINATION ${WORK})
endforeach()

tintel_npm_ci(${WORK})

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
