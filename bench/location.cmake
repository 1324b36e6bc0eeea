tintel_add_bench(location_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/location_bench.cpp
  LIBS tintel_location)
