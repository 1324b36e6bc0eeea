# The day/night controller: one schedule step, settled (once a second) and gliding (every 16 ms).
tintel_add_bench(controller_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/controller_bench.cpp
  LIBS tintel_app)
