// Generates app/candle_table.cpp, the recorded flicker of candle mode: 2774 frames at 30 frames
// a second (about 92 s) of packed 0x00RRGGBB colours.
//
//   candle_table_gen OUTPUT        writes the table source to OUTPUT
//   candle_table_gen --check FILE  exits 0 if FILE is what this program writes (line ends aside),
//                                  else names the first differing line and exits 1
//
// Method. A flame's brightness I (0 .. 1) is modelled frame by frame as the sum of
//   - a base level that settles from the lit flame's 0.6625 towards 0.55 (1 % a frame);
//   - a slow wander (first-order low-pass filtered noise, pole 0.985: the flame's height
//     drifting with the air in the room) and a quick flicker (pole 0.55: the turbulence at its
//     tip);
//   - draughts: now and then (0.5 % a frame) the flame gutters, its brightness pulled down by
//     0.45 to 0.95 along a triangle lasting 0.5 to 1.5 s; and flares: now and then (0.4 % a
//     frame) it flares up by 0.35 to 0.6 for 0.3 to 1 s;
// clamped to 0 .. 1. The noise enters gradually over the first three seconds (its amplitude
// rises with the square of the time), so the recording opens on the steady flame. In the last
// 1.5 s the flame is snuffed: its brightness falls with the square of the remaining time, and the
// last frame is the wick's faint afterglow, 0x010101.
//
// Colour. A flame is redder where it is dimmer (its cooler parts show): red follows the
// brightness, green and blue less steeply, with a slow colour wander h (pole 0.9) tinting green
// and blue by up to about 5 %:
//   red   = 204 I                                   (at least 1: the wick glows)
//   green =  96 I (0.7182 + 0.2818 I) (1 + 0.05 h)  (at most 96)
//   blue  =  20 I (1.39 - 0.39 I) (1 + 0.05 h)      (at most 20)
// each rounded to the nearest integer.
//
// The noise is a splitmix64 generator with a fixed seed; a normal variate is approximated by the
// sum of four uniform ones (scaled to unit variance). Only IEEE-exact operations are used (no
// library functions), so every platform writes the same table.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tools/generated_source.h"

namespace {

constexpr int kFrames = 2774;
constexpr uint64_t kSeed = 0x43616E646C65ull;  // "Candle"

// splitmix64 (S. Vigna): a 64-bit state stepped by a constant, mixed on output.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // About normal, mean 0 and variance 1 (Irwin-Hall with four terms).
    double normal() {
        const double sum = uniform() + uniform() + uniform() + uniform();
        return (sum - 2.0) * 1.7320508075688772;
    }

private:
    uint64_t state_;
};

// A triangular pulse: 0 at the ends of `frames`, 1 in the middle; `at` counts from its start.
struct Pulse {
    int frames = 0;
    int at = 0;
    double depth = 0;
    bool active() const { return at < frames; }
    double step() {
        const double p = (at + 0.5) / frames;
        ++at;
        return depth * (p < 0.5 ? 2.0 * p : 2.0 * (1.0 - p));
    }
};

double clamp(double v, double low, double high) {
    return v < low ? low : v > high ? high : v;
}

int roundHalfUp(double v) {
    return static_cast<int>(v + 0.5);
}

uint32_t colour(double brightness, double hue) {
    const double i = brightness;
    const double tint = 1.0 + 0.05 * hue;
    int r = roundHalfUp(204.0 * i);
    int g = roundHalfUp(clamp(96.0 * i * (0.7182 + 0.2818 * i) * tint, 0.0, 96.0));
    int b = roundHalfUp(clamp(20.0 * i * (1.39 - 0.39 * i) * tint, 0.0, 20.0));
    if (r < 1) r = 1;
    return static_cast<uint32_t>(r << 16 | g << 8 | b);
}

std::vector<uint32_t> buildTable() {
    Noise noise(kSeed);
    std::vector<uint32_t> table;
    double base = 0.6625, slow = 0, fast = 0, hue = 0;
    Pulse gutter, flare;
    constexpr int kSettle = 90;  // frames over which the noise enters
    constexpr int kSnuff = 45;   // frames of the snuffing
    for (int n = 0; n < kFrames - 1; ++n) {
        if (n > 0) {
            const double settle =
                n >= kSettle ? 1.0 : (double(n) / kSettle) * (double(n) / kSettle);
            base = 0.55 + 0.99 * (base - 0.55);
            slow = 0.985 * slow + 0.012 * settle * noise.normal();
            fast = 0.55 * fast + 0.05 * settle * noise.normal();
            hue = 0.9 * hue + 0.1 * settle * noise.normal();
            // Draws happen on every frame, so the sequence does not depend on which pulses run.
            const double gutterDraw = noise.uniform(), gutterLength = noise.uniform(),
                         gutterDepth = noise.uniform();
            const double flareDraw = noise.uniform(), flareLength = noise.uniform(),
                         flareDepth = noise.uniform();
            if (!gutter.active() && gutterDraw < 0.005 * settle)
                gutter = {15 + static_cast<int>(gutterLength * 30), 0, 0.45 + 0.5 * gutterDepth};
            if (!flare.active() && flareDraw < 0.004 * settle)
                flare = {9 + static_cast<int>(flareLength * 21), 0, 0.35 + 0.25 * flareDepth};
        }
        double brightness = base + slow + fast;
        if (gutter.active()) brightness -= gutter.step();
        if (flare.active()) brightness += flare.step();
        const int left = kFrames - 1 - n;  // frames to the afterglow
        if (left <= kSnuff) {
            const double f = double(left - 1) / kSnuff;
            brightness *= f * f;
        }
        table.push_back(colour(clamp(brightness, 0.0, 1.0), hue));
    }
    table.push_back(0x010101);
    return table;
}

std::string tableSource(const std::vector<uint32_t>& table) {
    std::ostringstream out;
    out << "// Generated by tools/candle_table_gen.cpp; do not edit. Regenerate with\n"
           "//   build/linux/app/candle_table_gen app/candle_table.cpp\n"
           "// A candle's flicker, 30 frames a second, as packed 0x00RRGGBB colours (the model is\n"
           "// described in the generator).\n"
           "#include \"app/candle_table.h\"\n"
           "\n"
           "namespace tintel {\n"
           "\n"
           "// clang-format off\n"
           "const uint32_t kCandleTable[kCandleFrames] = {\n";
    char text[16];
    for (size_t i = 0; i < table.size(); ++i) {
        if (i % 8 == 0) out << "   ";
        std::snprintf(text, sizeof text, " 0x%06X,", static_cast<unsigned>(table[i]));
        out << text;
        if (i % 8 == 7 || i + 1 == table.size()) out << "\n";
    }
    out << "};\n"
           "// clang-format on\n"
           "\n"
           "}  // namespace tintel\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    return tools::writeOrCheck("candle_table_gen", argc, argv, [](std::string* source) {
        *source = tableSource(buildTable());
        return true;
    });
}
