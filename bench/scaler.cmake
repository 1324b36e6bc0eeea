# The image scaler: a 1920 x 1080 JPEG decoded and scaled into 554 x 243 (the settings window),
# and the mipmap and bilinear draw used while the size changes.
find_package(JPEG REQUIRED)
tintel_add_bench(scaler_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scaler_bench.cpp
                 LIBS tintel_toolkit JPEG::JPEG)
