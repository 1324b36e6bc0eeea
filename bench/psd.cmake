# The layered artwork reader: Load, and Load plus decoding every layer, of a generated
# 2000 x 2000, 20-layer run-length file.
tintel_add_bench(psd_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/psd_bench.cpp LIBS tintel_toolkit)
