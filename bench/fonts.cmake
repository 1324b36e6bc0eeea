# The font cache: building Arial 12 from the platform's outlines, and loading its .ytf file.
tintel_add_bench(font_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/font_bench.cpp LIBS tintel_toolkit)
