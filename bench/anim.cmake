tintel_add_bench(anim_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/anim_bench.cpp LIBS tintel_app)
