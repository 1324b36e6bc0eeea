# Runs tools/artwork/make_artwork.py into a scratch folder and compares every file it writes with
# the committed one byte for byte.
#   cmake -DSOURCE=<repository root> -DKELVIN=<kelvin_colours program> -DWORK=<scratch> -P this
# The PSD writer's package (ag-psd) is installed into WORK with "npm ci" from the committed lock
# file, so it is exactly the pinned one. Without node or npm, or without the npm registry, the test
# is skipped (scripts/install-deps installs node, npm and python3-cairo).

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/NpmCi.cmake)

# Debian's interpreter, for which python3-cairo is installed.
find_program(PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT PYTHON3)
  find_program(PYTHON3 python3 REQUIRED)
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/psd-writer ${WORK}/out)
file(COPY ${SOURCE}/tools/psd-writer/package.json ${SOURCE}/tools/psd-writer/package-lock.json
          ${SOURCE}/tools/psd-writer/write-psd.js
     DESTINATION ${WORK}/psd-writer)

tintel_npm_ci(${WORK}/psd-writer)

execute_process(
  COMMAND ${PYTHON3} ${SOURCE}/tools/artwork/make_artwork.py --kelvin-tool ${KELVIN}
          --psd-writer ${WORK}/psd-writer ${WORK}/out
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_artwork.py failed (${status})")
endif()

set(differ "")
foreach(file res/tintel.psd res/tintel.tre res/tintelparts.psd res/magictoken.psd
             res/magictoken.tre res/tintel.ico app/tray_icon_pixels.cpp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/out/${file} ${SOURCE}/${file}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(APPEND differ ${file})
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "the generator's output in ${WORK}/out differs from the committed ${differ}; "
                      "run tools/artwork/generate and commit the result")
endif()
message("generated artwork matches the committed files")
