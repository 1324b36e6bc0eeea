// Writes the colours the settings window's slider tracks show: for each temperature asked for on
// the command line, the program's own red, green and blue multipliers (kelvinToRgb), one line
// each, as "kelvin red green blue" with the multipliers printed to nine digits. The artwork
// generator (tools/artwork/make_artwork.py) reads the lines.
//   kelvin_colours K...
#include <cstdio>
#include <cstdlib>

#include "colour/colour_temperature.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvin_colours KELVIN...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const double kelvin = std::strtod(argv[i], &end);
        if (end == argv[i] || *end != '\0' || !(kelvin >= 500 && kelvin <= 30000)) {
            std::fprintf(stderr, "kelvin_colours: not a temperature: %s\n", argv[i]);
            return 2;
        }
        float red = 1, green = 1, blue = 1;
        tintel::kelvinToRgb(static_cast<float>(kelvin), red, green, blue);
        std::printf("%s %.9f %.9f %.9f\n", argv[i], double(red), double(green), double(blue));
    }
    return 0;
}
