# The scene tree's frames: a full 554 x 243 frame of a 30-node settings-window-like scene, a small
# dirty rectangle, and the bitmap routines' vector path against the scalar one.
tintel_add_bench(draw_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw_bench.cpp LIBS tintel_toolkit)
