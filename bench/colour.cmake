# The colour subsystem: kelvin to RGB (cached and not) and the solar schedule.
tintel_add_bench(colour_bench SOURCES colour_bench.cpp LIBS tintel_colour)
