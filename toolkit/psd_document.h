// ytPsdDocument: reads a layered artwork file (Adobe Photoshop document, version 1, 8 bits per
// channel, RGB or indexed colour) and decodes the pixels of one layer, or of the merged image,
// into a ytBitmap on request.
//
// Load reads only the structure: header, palette, layer records and where each channel's pixel
// data lies. Every length, count and offset taken from the file is checked against the file's
// size (and a channel's data against the size of its rectangle) before it is used, so a short,
// truncated or corrupt file ends with result 3 and nothing is read out of bounds. The file stays
// open (read-only) until the next Load or the document's destruction; nothing is ever written.
//
// Results (signed 32-bit): 0 success, 2 the file cannot be opened, 3 format error, 4 nothing
// loaded or no memory, -1 no pixels to give (an empty rectangle, an index outside the layers,
// more than 4 channels, no colour or transparency channel).
//
// Supported: channel data raw (compression 0) or run-length (1, PackBits). Files with ZIP
// compressed channels (2, 3), a depth other than 8 or a colour mode other than RGB (3) and
// indexed (2) are rejected by Load with 3, as are run-length channels whose byte counts are too
// few to fill their rows. Decoding: a PackBits header of -128 is skipped; a row never writes past
// its width, and pixels a short row does not reach keep their starting value; indexed images go
// through the palette; a layer mask's channel (id -2) is located by the mask's rectangle and is
// not drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/rect.h"

namespace yt {

// Where one channel's pixel data lies and how it is stored.
struct ytChannelData {
    uint64_t wordOffset = 0;   // the channel's compression word (layers: its own; merged: shared)
    uint64_t tableOffset = 0;  // run-length: the first of its per-row byte counts
    uint64_t dataOffset = 0;   // the first byte of its pixel data
    uint64_t dataSize = 0;  // bytes of pixel data (the sum of its row byte counts when run-length)
    uint16_t compression = 0;       // 0 raw, 1 run-length
    int32_t columns = 0, rows = 0;  // the size of the rectangle the channel covers
};

// One layer as its record in the file describes it (and the merged image in the same form).
struct ytLayerRecord {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // the file stores top, left, bottom, right
    uint16_t channelCount = 0;
    std::vector<int16_t> channelIds;       // 0 red, 1 green, 2 blue, 3 transparency (stored as -1)
    std::vector<uint32_t> channelLengths;  // as stated by the record; not relied on
    char blendMode[5] = {};                // read, not interpreted
    uint8_t opacity = 255;                 // 0 to 255
    uint8_t clipping = 0, flags = 0, filler = 0;
    uint32_t extraLength = 0;  // length of the rest of the record
    uint32_t maskLength = 0;   // 0 or 20
    int32_t maskTop = 0, maskLeft = 0, maskBottom = 0, maskRight = 0;
    uint8_t maskDefaultColour = 0, maskFlags = 0;
    uint32_t blendingRangesLength = 0;
    std::string name;                     // Windows-1252; the Unicode name when the record has one
    uint64_t dataOffset = 0;              // where the layer's channel image data starts
    std::vector<ytChannelData> channels;  // located by Load, one per channel id

    ytRect rect() const { return {left, top, right, bottom}; }
};

class ytPsdDocument {
public:
    ytPsdDocument();
    ytPsdDocument(const ytPsdDocument&) = delete;
    ytPsdDocument& operator=(const ytPsdDocument&) = delete;
    ~ytPsdDocument();

    // Opens and reads the file's structure: 0, 2 (cannot be opened) or 3 (format error). Any
    // earlier file and layer array is released first. After a failure there are no layers; the
    // file, if it opened, stays open where the failing read left it.
    int32_t Load(const std::string& path);

    // True after a successful Load.
    bool Loaded() const { return loaded_; }
    const std::string& FileName() const { return fileName_; }
    // The read position in the open file, -1 when no file is open.
    int64_t FilePosition() const;

    uint16_t Channels() const { return channels_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint16_t Depth() const { return depth_; }
    uint16_t ColourMode() const { return colourMode_; }
    // 256 entries 0xFF000000 + red << 16 + green << 8 + blue, filled only for indexed files.
    const uint32_t* Palette() const { return palette_; }
    // The stored layer count was negative: the first alpha channel holds the merged transparency.
    bool MergedAlphaFromFirstChannel() const { return mergedAlphaFirst_; }

    int LayerCount() const { return static_cast<int>(layers_.size()); }
    // The record of a layer, the merged image for -1; null outside.
    const ytLayerRecord* Layer(int index) const;
    // The layer's rectangle in document pixels; empty for an index outside the layers.
    ytRect LayerRect(int index) const;
    // The layer's opacity as 0 to 256 (opacity x 256 / 255); 0 outside the layers.
    int LayerOpacity(int index) const;
    // The layer's name (Windows-1252); empty outside the layers.
    std::string LayerName(int index) const;

    // Decodes a layer (index -1: the merged image) into a bitmap of its rectangle's size whose
    // origin is the rectangle's left, top. Colour channels are straight with 3 channels (every
    // pixel opaque) and premultiplied (c x (a + 1) >> 8) when there is a transparency channel.
    // 0, -1 (no bitmap: empty rectangle, index outside, more than 4 channels, no colour or
    // transparency channel), 3 (short or changed file), 4 (nothing loaded, no memory). Layer
    // masks are not drawn. *bitmap is emptied unless the result is 0.
    int32_t DecodeLayer(int index, ytBitmap* bitmap);

    // The colour 0xAARRGGBB (straight, alpha 0xFF without a transparency channel) of the layer's
    // first pixel, read from the first data byte of each channel. 0, -1 (no colour: empty
    // rectangle or index outside), 3 (short file), 4 (nothing loaded).
    int32_t LayerColour(int index, uint32_t* colour);

private:
    class Reader;

    void Reset();
    int32_t ReadStructure();
    int32_t ReadLayerSection();
    int32_t ReadLayerRecord(uint64_t sectionEnd, ytLayerRecord* layer);
    int32_t LocateLayerData(ytLayerRecord* layer, uint64_t sectionEnd);
    int32_t LocateMergedData();
    int32_t DecodeChannel(const ytChannelData& channel, int byteIndex, ytBitmap* bitmap);

    std::unique_ptr<Reader> reader_;
    std::string fileName_;
    bool loaded_ = false;
    uint16_t channels_ = 0, depth_ = 0, colourMode_ = 0;
    uint32_t width_ = 0, height_ = 0;
    uint32_t palette_[256] = {};
    bool mergedAlphaFirst_ = false;
    std::vector<ytLayerRecord> layers_;
    ytLayerRecord merged_;
};

}  // namespace yt
