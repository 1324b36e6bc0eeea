# The artwork and layout scripts (res/, made by tools/artwork/make_artwork.py) beside a program:
# the toolkit reads "res" from the executable's folder and copies what changed into "runtime".
# tintel_copy_res(TARGET) copies res/ beside TARGET whenever TARGET is built (also when only the
# artwork changed).
function(tintel_copy_res target)
  add_custom_target(${target}_res
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/res
            $<TARGET_FILE_DIR:${target}>/res
    VERBATIM)
  add_dependencies(${target} ${target}_res)
endfunction()
