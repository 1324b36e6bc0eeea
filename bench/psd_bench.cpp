// Benchmarks of ytPsdDocument on a generated artwork file: 2000 x 2000 pixels, 20 full-size
// layers with transparency, every channel run-length (PackBits) compressed. The file is written
// to the temporary folder when the program starts and removed when it ends.
//
// Contents
//   1. the generated file (a PackBits encoder and the document writer)
//   2. benchmarks: Load alone; Load plus decoding every layer
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/psd_document.h"
#include "toolkit/toolkit.h"

namespace {

constexpr int kSide = 2000;
constexpr int kLayers = 20;

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v >> 16), put16(b, v & 0xFFFF);
}

// PackBits: runs of 3 or more equal bytes as repeats (up to 128), everything else as literals.
void packRow(const uint8_t* row, int n, Bytes& out) {
    int i = 0;
    while (i < n) {
        int run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out.push_back(uint8_t(257 - run)), out.push_back(row[i]);
            i += run;
            continue;
        }
        int start = i, count = 0;
        while (i < n && count < 128) {
            if (i + 2 < n && row[i] == row[i + 1] && row[i] == row[i + 2]) break;
            ++i, ++count;
        }
        out.push_back(uint8_t(count - 1));
        out.insert(out.end(), row + start, row + start + count);
    }
}

// One channel of one layer, as artwork looks: a flat panel, a gradient band, soft edges.
uint8_t sample(int layer, int channel, int x, int y) {
    const int inset = 40 + layer * 15;
    const bool inside = x >= inset && x < kSide - inset && y >= inset && y < kSide - inset;
    if (channel == 3) {  // transparency: clear outside, a 32-pixel ramp at the left edge
        if (!inside) return 0;
        return uint8_t(x - inset < 32 ? (x - inset) * 8 : 255);
    }
    if (y % 200 < 40) return uint8_t((x + layer * 13 + channel * 50) & 255);  // gradient band
    return uint8_t(60 + layer * 9 + channel * 40);                            // flat panel
}

// Writes the whole document: header, empty colour mode data and resources, the layer records,
// the layers' run-length channels (transparency, red, green, blue), a run-length merged image.
Bytes makeDocument() {
    Bytes file = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    put16(file, 3), put32(file, kSide), put32(file, kSide), put16(file, 8), put16(file, 3);
    put32(file, 0), put32(file, 0);

    std::vector<Bytes> channels;  // per layer, per channel: compression, byte counts, rows
    Bytes row(kSide);
    const int ids[4] = {3, 0, 1, 2};
    for (int l = 0; l < kLayers; ++l) {
        for (int id : ids) {
            Bytes counts, data;
            for (int y = 0; y < kSide; ++y) {
                for (int x = 0; x < kSide; ++x)
                    row[x] = sample(l, id, x, y);
                const size_t before = data.size();
                packRow(row.data(), kSide, data);
                put16(counts, uint32_t(data.size() - before));
            }
            Bytes channel;
            put16(channel, 1);
            channel.insert(channel.end(), counts.begin(), counts.end());
            channel.insert(channel.end(), data.begin(), data.end());
            channels.push_back(std::move(channel));
        }
    }

    Bytes info;
    put16(info, kLayers);
    for (int l = 0; l < kLayers; ++l) {
        put32(info, 0), put32(info, 0), put32(info, kSide), put32(info, kSide);
        put16(info, 4);
        for (int c = 0; c < 4; ++c) {
            put16(info, ids[c] == 3 ? 0xFFFF : uint32_t(ids[c]));
            put32(info, uint32_t(channels[size_t(l) * 4 + c].size()));
        }
        const std::string name = "layer" + std::to_string(l);
        for (char ch : std::string("8BIMnorm"))
            info.push_back(uint8_t(ch));
        info.insert(info.end(), {255, 0, 0, 0});
        const size_t padded = (1 + name.size() + 3) / 4 * 4;
        put32(info, uint32_t(8 + padded));
        put32(info, 0), put32(info, 0);
        info.push_back(uint8_t(name.size()));
        info.insert(info.end(), name.begin(), name.end());
        info.resize(info.size() + padded - 1 - name.size());
    }
    for (const Bytes& channel : channels)
        info.insert(info.end(), channel.begin(), channel.end());
    put32(file, uint32_t(info.size() + 4)), put32(file, uint32_t(info.size()));
    file.insert(file.end(), info.begin(), info.end());

    // Merged image: the top layer's colours, run-length, one table for all three channels.
    Bytes counts, data;
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x)
                row[x] = sample(kLayers - 1, c, x, y);
            const size_t before = data.size();
            packRow(row.data(), kSide, data);
            put16(counts, uint32_t(data.size() - before));
        }
    put16(file, 1);
    file.insert(file.end(), counts.begin(), counts.end());
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// The generated file, written once and removed at exit.
class GeneratedFile {
public:
    GeneratedFile() : path_(std::filesystem::temp_directory_path() / "tintel-psd-bench.psd") {
        const Bytes bytes = makeDocument();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        size_ = bytes.size();
    }
    ~GeneratedFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }
    size_t size() const { return size_; }

private:
    std::filesystem::path path_;
    size_t size_ = 0;
};

const GeneratedFile& generated() {
    static const GeneratedFile file;
    return file;
}

// ---- 2. benchmarks ---------------------------------------------------------------------------

// Load alone: the records and the byte count tables, no pixels.
void BM_PsdLoad(benchmark::State& state) {
    const std::string path = generated().path();
    for (auto _ : state) {
        yt::ytPsdDocument doc;
        if (doc.Load(path) != 0) state.SkipWithError("Load failed");
        benchmark::DoNotOptimize(doc.LayerCount());
    }
    state.counters["file_MB"] = double(generated().size()) / 1e6;
}
BENCHMARK(BM_PsdLoad)->Unit(benchmark::kMillisecond);

// Load plus decoding every layer; the bitmaps are kept until the document is done, as the
// scene's nodes keep theirs, so the peak counts all twenty.
void BM_PsdLoadAndDecodeAll(benchmark::State& state) {
    const std::string path = generated().path();
    for (auto _ : state) {
        yt::ytPsdDocument doc;
        if (doc.Load(path) != 0) state.SkipWithError("Load failed");
        std::vector<yt::ytBitmap> bitmaps(size_t(doc.LayerCount()));
        for (int i = 0; i < doc.LayerCount(); ++i)
            if (doc.DecodeLayer(i, &bitmaps[size_t(i)]) != 0) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmaps.data());
    }
    const double pixels = double(kSide) * kSide * kLayers;
    state.counters["Mpixel/s"] =
        benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_bitmap_MB"] = double(yt::PeakBitmapBytes()) / 1e6;
}
BENCHMARK(BM_PsdLoadAndDecodeAll)->Unit(benchmark::kMillisecond);

}  // namespace
