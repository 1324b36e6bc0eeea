# Runs tools/map_page/build.js with the pinned map library and compares its output with the
# committed res/map/winmap.html byte for byte.
#   cmake -DTOOL_DIR=<tools/map_page> -DCOMMITTED=<winmap.html> -DWORK=<scratch folder> -P this
# The library is installed into WORK with "npm ci" from the committed package-lock.json, so the
# package and its integrity hash are exactly the pinned ones. Without node or npm on the machine
# the test is skipped (scripts/install-deps installs both), and so it is when the npm registry cannot
# be reached (a machine without network): neither says anything about the page.

find_program(NODE NAMES node nodejs)
find_program(NPM npm)
if(NOT NODE OR NOT NPM)
  message("SKIPPED: node or npm is not installed; scripts/install-deps installs them")
  return()
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${TOOL_DIR}/package.json ${TOOL_DIR}/package-lock.json ${TOOL_DIR}/build.js ${TOOL_DIR}/page.html
     DESTINATION ${WORK})

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
  message(FATAL_ERROR "npm ci in ${WORK} failed (${status}): the pinned library could not be "
                      "installed from the npm registry")
endif()

execute_process(
  COMMAND ${NODE} ${WORK}/build.js ${WORK}/winmap.html
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "build.js failed (${status})")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/winmap.html ${COMMITTED}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from the build's output ${WORK}/winmap.html; "
                      "run \"npm ci && node build.js\" in ${TOOL_DIR} and commit the result")
endif()
message("built page matches ${COMMITTED}")
