# The artwork and layout scripts (res/, made by tools/artwork/make_artwork.py) beside a program:
# the toolkit reads "res" from the executable's folder and copies what changed into "runtime".
# tintel_copy_res(TARGET) copies res/ beside TARGET after every build of it.
function(tintel_copy_res target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/res
            $<TARGET_FILE_DIR:${target}>/res
    VERBATIM)
endfunction()
