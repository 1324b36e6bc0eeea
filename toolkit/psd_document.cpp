// ytPsdDocument: the layered artwork reader.
//
// Contents
//   1. the file reader (a 32 KB buffer over a read-only file, every read bounded by the size)
//   2. helpers: names, run-length rows, premultiplication
//   3. Load: header, colour mode data, image resources, layer records, locating channel data
//   4. DecodeLayer and LayerColour
//
// File layout (as Adobe documents the Photoshop file format, version 1 documents; all numbers
// big-endian): header (26 bytes), colour mode data, image resources, layer and mask information,
// merged image data. Channel ids: 0 red, 1 green, 2 blue, -1 transparency, -2 layer mask.
#include "toolkit/psd_document.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <new>
#include <stdexcept>

#include "base/text.h"

namespace yt {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFormatError = 3;
constexpr int32_t kNoObject = 4;
constexpr int32_t kNoPixels = -1;

// Largest width or height of a document, layer or mask: Adobe's limit for large documents
// (300,000 pixels). Anything larger cannot be real and would overflow the pixel arithmetic.
constexpr int64_t kMaxSide = 300000;
// Channels of a document: Adobe's range is 1 to 56.
constexpr uint16_t kMaxChannels = 56;
// The layer mask data of a record is empty or this long (four edges, colour, flags, padding).
constexpr uint32_t kMaskDataLength = 20;

// Pixels hold alpha in the top byte, then red, green, blue; channel bytes are written straight
// into the byte of the pixel, which is where little-endian memory keeps them.
static_assert(std::endian::native == std::endian::little, "pixel byte order assumes little-endian");
// The byte within a pixel for channel ids 0 (red), 1 (green), 2 (blue), 3 (transparency).
constexpr int kChannelByte[4] = {2, 1, 0, 3};

uint16_t be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

}  // namespace

// ---- 1. the file reader ---------------------------------------------------------------------

// A read-only file with a 32,768-byte buffer of its own. Reads never go past the size measured
// when the file was opened: a read that cannot be satisfied in full fails without moving.
class ytPsdDocument::Reader {
public:
    // Opens the file and measures it. False when it cannot be opened or measured.
    bool Open(const std::string& path) {
        file_.pubsetbuf(nullptr, 0);
        if (!file_.open(path, std::ios::in | std::ios::binary)) return false;
        const auto end = file_.pubseekoff(0, std::ios::end, std::ios::in);
        if (end == std::streampos(std::streamoff(-1))) return false;
        size_ = static_cast<uint64_t>(std::streamoff(end));
        return true;
    }

    uint64_t size() const { return size_; }
    uint64_t pos() const { return pos_; }
    uint64_t left() const { return size_ - pos_; }

    // Moves to an absolute position within the file.
    bool Seek(uint64_t position) {
        if (position > size_) return false;
        pos_ = position;
        return true;
    }
    // Moves forward n bytes.
    bool Skip(uint64_t n) { return n <= left() && Seek(pos_ + n); }
    // Steps back over the byte just read.
    void Unget() {
        if (pos_ > 0) --pos_;
    }

    // Reads exactly n bytes, or fails (the file shorter than that) without moving.
    bool Read(void* out, size_t n) {
        if (n > left()) return false;
        auto* dst = static_cast<uint8_t*>(out);
        while (n > 0) {
            if (pos_ < bufStart_ || pos_ >= bufStart_ + bufLen_) {
                if (!Fill()) return false;
            }
            const size_t offset = static_cast<size_t>(pos_ - bufStart_);
            const size_t take = std::min(n, bufLen_ - offset);
            std::memcpy(dst, buffer_ + offset, take);
            dst += take, n -= take, pos_ += take;
        }
        return true;
    }

    bool U8(uint8_t* v) { return Read(v, 1); }
    bool U16(uint16_t* v) {
        uint8_t b[2];
        if (!Read(b, 2)) return false;
        *v = be16(b);
        return true;
    }
    bool U32(uint32_t* v) {
        uint8_t b[4];
        if (!Read(b, 4)) return false;
        *v = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
        return true;
    }
    bool I16(int16_t* v) {
        uint16_t u;
        if (!U16(&u)) return false;
        *v = static_cast<int16_t>(u);
        return true;
    }
    bool I32(int32_t* v) {
        uint32_t u;
        if (!U32(&u)) return false;
        *v = static_cast<int32_t>(u);
        return true;
    }

    // Reads a four-byte signature byte by byte; a wrong byte is pushed back and the answer is
    // false, leaving the position on that byte.
    bool Expect(const char* signature) {
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!U8(&b)) return false;
            if (b != static_cast<uint8_t>(signature[i])) {
                Unget();
                return false;
            }
        }
        return true;
    }

private:
    // Loads the buffer from the current position. False when the file gives less than its size
    // promised (it shrank since it was opened).
    bool Fill() {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer_, left()));
        bufStart_ = pos_, bufLen_ = 0;
        if (file_.pubseekpos(std::streampos(std::streamoff(pos_)), std::ios::in) !=
            std::streampos(std::streamoff(pos_)))
            return false;
        const auto got = file_.sgetn(reinterpret_cast<char*>(buffer_), std::streamsize(want));
        if (got != std::streamsize(want)) return false;
        bufLen_ = want;
        return want > 0;
    }

    uint8_t buffer_[32768];
    std::filebuf file_;
    uint64_t size_ = 0, pos_ = 0;
    uint64_t bufStart_ = 0;
    size_t bufLen_ = 0;
};

// ---- 2. helpers ----------------------------------------------------------------------------

namespace {

// Converts UTF-16 code units to Windows-1252: surrogate pairs make one character, a character
// the code page cannot hold becomes '?', and the name ends at a zero unit.
std::string utf16ToCp1252(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t cp = units[i];
        if (cp == 0) break;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;  // a lone surrogate
        }
        out += static_cast<char>(base::codepointToCp1252(cp));
    }
    return out;
}

// The fewest bytes PackBits can encode `columns` bytes in: two per run of 128.
uint64_t smallestPackedRow(int64_t columns) {
    return static_cast<uint64_t>((columns + 127) / 128) * 2;
}

// Unpacks one PackBits row of n bytes into every fourth byte from dst, never past `width`
// bytes. Headers 0 to 127 copy the next n + 1 bytes, -127 to -1 repeat the next byte 1 - n
// times, -128 is skipped. A packet cut short by the row's end gives what it holds; the rest of
// the row keeps what it had.
void unpackRow(const uint8_t* src, size_t n, uint8_t* dst, int width) {
    size_t i = 0;
    int x = 0;
    while (i < n && x < width) {
        const auto header = static_cast<int8_t>(src[i++]);
        if (header >= 0) {
            const size_t count = std::min<size_t>(header + 1u, n - i);
            const int take = static_cast<int>(std::min<size_t>(count, size_t(width - x)));
            for (int k = 0; k < take; ++k)
                dst[size_t(x + k) * 4] = src[i + k];
            i += count, x += take;
        } else if (header != -128) {
            if (i >= n) break;
            const uint8_t value = src[i++];
            const int take = std::min(1 - header, width - x);
            for (int k = 0; k < take; ++k)
                dst[size_t(x + k) * 4] = value;
            x += take;
        }
    }
}

// Converts straight colour to premultiplied: each colour byte c becomes c x (a + 1) >> 8.
void premultiply(ytBitmap* bitmap) {
    uint32_t* p = bitmap->pixels();
    const size_t n = size_t(bitmap->width()) * size_t(bitmap->height());
    for (size_t i = 0; i < n; ++i) {
        const uint32_t px = p[i];
        const uint32_t a = px >> 24;
        if (a == 255) continue;
        const uint32_t f = a + 1;
        const uint32_t r = (((px >> 16) & 0xFF) * f) >> 8;
        const uint32_t g = (((px >> 8) & 0xFF) * f) >> 8;
        const uint32_t b = ((px & 0xFF) * f) >> 8;
        p[i] = a << 24 | r << 16 | g << 8 | b;
    }
}

// True when the channel id is one the pixel has a byte for (0 to 3).
bool isPixelChannel(int16_t id) {
    return id >= 0 && id <= 3;
}

bool hasTransparency(const ytLayerRecord& record) {
    return std::find(record.channelIds.begin(), record.channelIds.end(), int16_t{3}) !=
           record.channelIds.end();
}

}  // namespace

// ---- 3. Load -------------------------------------------------------------------------------

ytPsdDocument::ytPsdDocument() = default;
ytPsdDocument::~ytPsdDocument() = default;

// Releases the file and everything read from it.
void ytPsdDocument::Reset() {
    reader_.reset();
    fileName_.clear();
    loaded_ = false;
    channels_ = depth_ = colourMode_ = 0;
    width_ = height_ = 0;
    std::fill(std::begin(palette_), std::end(palette_), 0u);
    mergedAlphaFirst_ = false;
    layers_.clear();
    merged_ = ytLayerRecord();
}

int32_t ytPsdDocument::Load(const std::string& path) {
    Reset();
    fileName_ = path;
    auto reader = std::make_unique<Reader>();
    if (!reader->Open(path)) return 2;
    reader_ = std::move(reader);
    int32_t result;
    try {
        result = ReadStructure();
    } catch (const std::bad_alloc&) {
        result = kNoObject;
    }
    if (result != kOk) {
        // Keep the open file where the failing read left it, but nothing read from it.
        auto keep = std::move(reader_);
        std::string name = fileName_;
        Reset();
        reader_ = std::move(keep);
        fileName_ = name;
        return result;
    }
    loaded_ = true;
    return kOk;
}

int64_t ytPsdDocument::FilePosition() const {
    return reader_ ? static_cast<int64_t>(reader_->pos()) : -1;
}

// Reads everything up to the merged image: header, palette, resources, layers.
int32_t ytPsdDocument::ReadStructure() {
    Reader& in = *reader_;
    if (!in.Expect("8BPS")) return kFormatError;
    uint16_t version;
    if (!in.U16(&version) || version != 1) return kFormatError;
    if (!in.Skip(6)) return kFormatError;
    if (!in.U16(&channels_) || !in.U32(&height_) || !in.U32(&width_) || !in.U16(&depth_) ||
        !in.U16(&colourMode_))
        return kFormatError;
    if (depth_ != 8 || (colourMode_ != 3 && colourMode_ != 2)) return kFormatError;
    if (channels_ < 1 || channels_ > kMaxChannels || width_ > kMaxSide || height_ > kMaxSide)
        return kFormatError;

    // Colour mode data: nothing, or the palette as 256 red, 256 green, 256 blue bytes.
    uint32_t length;
    if (!in.U32(&length) || (length != 0 && length != 768)) return kFormatError;
    if (length == 768) {
        uint8_t rgb[768];
        if (!in.Read(rgb, sizeof rgb)) return kFormatError;
        if (colourMode_ == 2) {
            for (int i = 0; i < 256; ++i)
                palette_[i] = 0xFF000000u | uint32_t{rgb[i]} << 16 | uint32_t{rgb[256 + i]} << 8 |
                              rgb[512 + i];
        }
    }

    // Image resources: blocks "8BIM", id, padded name, padded data; they must fill the section.
    if (!in.U32(&length) || length > in.left()) return kFormatError;
    const uint64_t resourcesEnd = in.pos() + length;
    while (in.pos() < resourcesEnd) {
        uint16_t id;
        uint8_t nameLength;
        uint32_t size;
        if (!in.Expect("8BIM") || !in.U16(&id) || !in.U8(&nameLength)) return kFormatError;
        // The length byte and the name together fill an even number of bytes.
        if (!in.Skip(nameLength + ((nameLength + 1u) & 1u)) || !in.U32(&size)) return kFormatError;
        const uint64_t padded = uint64_t{size} + (size & 1u);
        if (in.pos() > resourcesEnd || padded > resourcesEnd - in.pos()) return kFormatError;
        in.Skip(padded);
    }
    // Here the position is exactly the section's end: a block reaching past it failed above.

    if (const int32_t r = ReadLayerSection(); r != kOk) return r;
    return LocateMergedData();
}

// Reads the layer and mask information section: the layer records, then where each layer's
// channel data lies; leaves the stream at the section's end.
int32_t ytPsdDocument::ReadLayerSection() {
    Reader& in = *reader_;
    uint32_t length;
    if (!in.U32(&length) || length > in.left()) return kFormatError;
    if (length == 0) return kOk;
    const uint64_t sectionEnd = in.pos() + length;

    uint32_t infoLength;
    if (length < 4 || !in.U32(&infoLength) || infoLength > sectionEnd - in.pos())
        return kFormatError;
    const uint64_t infoEnd = in.pos() + infoLength;
    // A document without layers stores a layer info length of 0 and no count at all.
    if (infoLength > 0) {
        int16_t count;
        if (infoLength < 2 || !in.I16(&count)) return kFormatError;
        // A negative count means the first alpha channel holds the merged transparency.
        mergedAlphaFirst_ = count < 0;
        const int layers = count < 0 ? -int{count} : int{count};
        layers_.reserve(static_cast<size_t>(std::min<uint64_t>(layers, (infoEnd - in.pos()) / 4)));
        for (int i = 0; i < layers; ++i) {
            ytLayerRecord layer;
            if (const int32_t r = ReadLayerRecord(infoEnd, &layer); r != kOk) return r;
            layers_.push_back(std::move(layer));
        }
        for (ytLayerRecord& layer : layers_) {
            if (const int32_t r = LocateLayerData(&layer, infoEnd); r != kOk) return r;
        }
    }
    return in.Seek(sectionEnd) ? kOk : kFormatError;
}

// Reads one layer record; `limit` is the end of the layer info it must stay within.
int32_t ytPsdDocument::ReadLayerRecord(uint64_t limit, ytLayerRecord* layer) {
    Reader& in = *reader_;
    auto within = [&](uint64_t n) { return in.pos() <= limit && n <= limit - in.pos(); };

    if (!within(18) || !in.I32(&layer->top) || !in.I32(&layer->left) || !in.I32(&layer->bottom) ||
        !in.I32(&layer->right) || !in.U16(&layer->channelCount))
        return kFormatError;
    const ytRect rect = layer->rect();
    if (rect.width() > kMaxSide || rect.height() > kMaxSide) return kFormatError;
    if (!within(uint64_t{layer->channelCount} * 6)) return kFormatError;
    layer->channelIds.resize(layer->channelCount);
    layer->channelLengths.resize(layer->channelCount);
    for (int c = 0; c < layer->channelCount; ++c) {
        int16_t id = 0;
        if (!in.I16(&id) || !in.U32(&layer->channelLengths[c])) return kFormatError;
        layer->channelIds[c] = id == -1 ? int16_t{3} : id;
    }

    if (!within(16) || !in.Expect("8BIM") || !in.Read(layer->blendMode, 4) ||
        !in.U8(&layer->opacity) || !in.U8(&layer->clipping) || !in.U8(&layer->flags) ||
        !in.U8(&layer->filler) || !in.U32(&layer->extraLength))
        return kFormatError;
    layer->blendMode[4] = 0;
    if (!within(layer->extraLength)) return kFormatError;
    const uint64_t extraEnd = in.pos() + layer->extraLength;
    auto inExtra = [&](uint64_t n) { return in.pos() <= extraEnd && n <= extraEnd - in.pos(); };

    // Layer mask data: read, not interpreted (its rectangle sizes the mask channel's data).
    if (!inExtra(4) || !in.U32(&layer->maskLength)) return kFormatError;
    if (layer->maskLength != 0 && layer->maskLength != kMaskDataLength) return kFormatError;
    if (layer->maskLength == kMaskDataLength) {
        uint16_t padding;
        if (!inExtra(kMaskDataLength) || !in.I32(&layer->maskTop) || !in.I32(&layer->maskLeft) ||
            !in.I32(&layer->maskBottom) || !in.I32(&layer->maskRight) ||
            !in.U8(&layer->maskDefaultColour) || !in.U8(&layer->maskFlags) || !in.U16(&padding))
            return kFormatError;
        const ytRect mask{layer->maskLeft, layer->maskTop, layer->maskRight, layer->maskBottom};
        if (mask.width() > kMaxSide || mask.height() > kMaxSide) return kFormatError;
    }
    if (!inExtra(4) || !in.U32(&layer->blendingRangesLength) ||
        !inExtra(layer->blendingRangesLength) || !in.Skip(layer->blendingRangesLength))
        return kFormatError;

    // The length-prefixed name: the length byte and the name fill a multiple of 4 bytes.
    uint8_t nameLength;
    char name[256];
    if (!inExtra(1) || !in.U8(&nameLength)) return kFormatError;
    const size_t padded = nameLength | 3u;
    if (!inExtra(padded) || !in.Read(name, padded)) return kFormatError;
    layer->name.assign(name, nameLength);

    // Additional layer information: signature, key, length, data. "luni" is the Unicode name.
    // Fewer bytes than a block header at the end are padding.
    while (inExtra(12)) {
        char signature[4], key[4];
        uint32_t size;
        if (!in.Read(signature, 4) || !in.Read(key, 4) || !in.U32(&size) || !inExtra(size))
            return kFormatError;
        if (std::memcmp(signature, "8BIM", 4) != 0 && std::memcmp(signature, "8B64", 4) != 0)
            return kFormatError;
        const uint64_t blockEnd = in.pos() + size;
        if (std::memcmp(key, "luni", 4) == 0) {
            uint32_t units;
            if (size < 4 || !in.U32(&units) || units > (size - 4) / 2) return kFormatError;
            std::vector<uint8_t> raw(size_t{units} * 2);
            if (!in.Read(raw.data(), raw.size())) return kFormatError;
            std::vector<uint16_t> text(units);
            for (uint32_t i = 0; i < units; ++i)
                text[i] = be16(&raw[size_t{i} * 2]);
            layer->name = utf16ToCp1252(text);
        }
        in.Seek(blockEnd);
    }
    return in.Seek(extraEnd) ? kOk : kFormatError;
}

// Records where each of the layer's channels lies, reading each channel's compression word and,
// for run-length data, its row byte counts; leaves the stream after the layer's data.
int32_t ytPsdDocument::LocateLayerData(ytLayerRecord* layer, uint64_t limit) {
    Reader& in = *reader_;
    layer->dataOffset = in.pos();
    layer->channels.resize(layer->channelCount);
    const ytRect maskRect{layer->maskLeft, layer->maskTop, layer->maskRight, layer->maskBottom};
    for (int c = 0; c < layer->channelCount; ++c) {
        ytChannelData& ch = layer->channels[c];
        // The layer mask's channel covers the mask's rectangle, every other the layer's.
        const ytRect area = layer->channelIds[c] == -2 ? maskRect : layer->rect();
        ch.columns = static_cast<int32_t>(area.width());
        ch.rows = static_cast<int32_t>(area.height());
        ch.wordOffset = in.pos();
        if (in.pos() > limit || limit - in.pos() < 2 || !in.U16(&ch.compression))
            return kFormatError;
        if (ch.compression == 0) {
            ch.dataOffset = in.pos();
            ch.dataSize = uint64_t(ch.columns) * uint64_t(ch.rows);
        } else if (ch.compression == 1) {
            ch.tableOffset = in.pos();
            const uint64_t tableBytes = uint64_t(ch.rows) * 2;
            if (tableBytes > limit - in.pos()) return kFormatError;
            std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
            if (!in.Read(table.data(), table.size())) return kFormatError;
            ch.dataSize = 0;
            for (size_t r = 0; r < table.size(); r += 2)
                ch.dataSize += be16(&table[r]);
            ch.dataOffset = in.pos();
            if (ch.dataSize < smallestPackedRow(ch.columns) * uint64_t(ch.rows))
                return kFormatError;
        } else {
            return kFormatError;  // ZIP (2, 3) and unknown methods are not supported
        }
        if (ch.dataSize > limit - in.pos() || !in.Skip(ch.dataSize)) return kFormatError;
    }
    return kOk;
}

// Sets up the merged image's record at the current position: one compression word, then (for
// run-length data) the byte counts of every row of every channel, then the channels in order.
int32_t ytPsdDocument::LocateMergedData() {
    Reader& in = *reader_;
    ytLayerRecord& m = merged_;
    m.left = m.top = 0;
    m.right = static_cast<int32_t>(width_);
    m.bottom = static_cast<int32_t>(height_);
    m.channelCount = channels_;
    m.name.clear();
    m.dataOffset = in.pos();
    m.channelIds.resize(channels_);
    m.channelLengths.assign(channels_, 0);
    m.channels.resize(channels_);
    uint16_t compression;
    if (!in.U16(&compression) || compression > 1) return kFormatError;
    const uint64_t plane = uint64_t{width_} * height_;
    uint64_t tableOffset = in.pos();
    uint64_t next = in.pos();
    if (compression == 1) {
        const uint64_t tableBytes = uint64_t{channels_} * height_ * 2;
        if (tableBytes > in.left()) return kFormatError;
        next += tableBytes;
    }
    for (int c = 0; c < channels_; ++c) {
        ytChannelData& ch = m.channels[c];
        m.channelIds[c] = static_cast<int16_t>(c);
        ch.wordOffset = m.dataOffset;
        ch.compression = compression;
        ch.columns = static_cast<int32_t>(width_);
        ch.rows = static_cast<int32_t>(height_);
        if (compression == 0) {
            ch.dataSize = plane;
        } else {
            ch.tableOffset = tableOffset;
            std::vector<uint8_t> table(size_t{height_} * 2);
            if (!in.Seek(tableOffset) || !in.Read(table.data(), table.size())) return kFormatError;
            ch.dataSize = 0;
            for (size_t r = 0; r < table.size(); r += 2)
                ch.dataSize += be16(&table[r]);
            if (ch.dataSize < smallestPackedRow(width_) * height_) return kFormatError;
            tableOffset += table.size();
        }
        ch.dataOffset = next;
        if (next > in.size() || ch.dataSize > in.size() - next) return kFormatError;
        next += ch.dataSize;
    }
    return kOk;
}

// ---- 4. DecodeLayer and LayerColour --------------------------------------------------------

const ytLayerRecord* ytPsdDocument::Layer(int index) const {
    if (index == -1) return loaded_ ? &merged_ : nullptr;
    if (index < 0 || index >= LayerCount()) return nullptr;
    return &layers_[static_cast<size_t>(index)];
}

ytRect ytPsdDocument::LayerRect(int index) const {
    if (index < 0 || index >= LayerCount()) return {};
    return layers_[static_cast<size_t>(index)].rect();
}

int ytPsdDocument::LayerOpacity(int index) const {
    if (index < 0 || index >= LayerCount()) return 0;
    return layers_[static_cast<size_t>(index)].opacity * 256 / 255;
}

std::string ytPsdDocument::LayerName(int index) const {
    if (index < 0 || index >= LayerCount()) return {};
    return layers_[static_cast<size_t>(index)].name;
}

// Decodes one channel into byte `byteIndex` of every pixel of the bitmap.
int32_t ytPsdDocument::DecodeChannel(const ytChannelData& ch, int byteIndex, ytBitmap* bitmap) {
    Reader& in = *reader_;
    const int width = bitmap->width();
    const int height = bitmap->height();
    if (ch.columns != width || ch.rows != height) return kFormatError;
    auto lane = [&](int y) { return reinterpret_cast<uint8_t*>(bitmap->row(y)) + byteIndex; };

    if (ch.compression == 0) {
        std::vector<uint8_t> row(static_cast<size_t>(width));
        if (!in.Seek(ch.dataOffset)) return kFormatError;
        for (int y = 0; y < height; ++y) {
            if (!in.Read(row.data(), row.size())) return kFormatError;
            uint8_t* dst = lane(y);
            for (int x = 0; x < width; ++x)
                dst[size_t(x) * 4] = row[size_t(x)];
        }
        return kOk;
    }

    // Run-length: the row byte counts first (they must still add up to what Load found), then
    // the rows through a buffer sized by the largest count.
    std::vector<uint8_t> table(size_t(height) * 2);
    if (!in.Seek(ch.tableOffset) || !in.Read(table.data(), table.size())) return kFormatError;
    uint64_t total = 0;
    size_t largest = 0;
    for (size_t r = 0; r < table.size(); r += 2) {
        const uint16_t n = be16(&table[r]);
        total += n;
        largest = std::max<size_t>(largest, n);
    }
    if (total != ch.dataSize) return kFormatError;
    std::vector<uint8_t> row(largest);
    if (!in.Seek(ch.dataOffset)) return kFormatError;
    for (int y = 0; y < height; ++y) {
        const uint16_t n = be16(&table[size_t(y) * 2]);
        if (!in.Read(row.data(), n)) return kFormatError;
        unpackRow(row.data(), n, lane(y), width);
    }
    return kOk;
}

int32_t ytPsdDocument::DecodeLayer(int index, ytBitmap* bitmap) {
    *bitmap = ytBitmap();
    if (!loaded_) return kNoObject;
    const ytLayerRecord* record = Layer(index);
    if (!record) return kNoPixels;
    const ytRect rect = record->rect();
    if (rect.empty() || record->channelCount > 4) return kNoPixels;
    // A layer without a colour or transparency channel has no data to size its pixels by.
    if (std::none_of(record->channelIds.begin(), record->channelIds.end(), isPixelChannel))
        return kNoPixels;

    // The compression words must still be what Load found (the file may have changed).
    for (const ytChannelData& ch : record->channels) {
        uint16_t word;
        if (!reader_->Seek(ch.wordOffset) || !reader_->U16(&word) || word != ch.compression)
            return kFormatError;
    }

    const bool alpha = hasTransparency(*record);
    ytBitmap decoded;
    try {
        decoded = ytBitmap(static_cast<int>(rect.width()), static_cast<int>(rect.height()),
                           rect.left, rect.top);
    } catch (const std::exception&) {  // bad_alloc, or a size past what a vector can hold
        return kNoObject;
    }
    // Without a transparency channel every pixel starts as opaque black.
    if (!alpha)
        std::fill_n(decoded.pixels(), size_t(decoded.width()) * decoded.height(), 0xFF000000u);

    for (size_t c = 0; c < record->channels.size(); ++c) {
        const int16_t id = record->channelIds[c];
        if (!isPixelChannel(id)) continue;  // layer masks and other channels are not drawn
        if (const int32_t r = DecodeChannel(record->channels[c], kChannelByte[id], &decoded);
            r != kOk)
            return r;
    }

    if (colourMode_ == 2) {
        // Indexed colour: the first channel (in the red byte) holds palette indices.
        uint32_t* p = decoded.pixels();
        const size_t n = size_t(decoded.width()) * decoded.height();
        for (size_t i = 0; i < n; ++i)
            p[i] = (p[i] & 0xFF000000u) | (palette_[(p[i] >> 16) & 0xFF] & 0x00FFFFFFu);
    }
    if (alpha) premultiply(&decoded);
    *bitmap = std::move(decoded);
    return kOk;
}

int32_t ytPsdDocument::LayerColour(int index, uint32_t* colour) {
    if (!loaded_) return kNoObject;
    const ytLayerRecord* record = Layer(index);
    if (!record) return kNoPixels;
    if (record->rect().empty()) return kNoPixels;
    Reader& in = *reader_;
    uint32_t value = 0xFF000000u;
    for (size_t c = 0; c < record->channels.size(); ++c) {
        const int16_t id = record->channelIds[c];
        if (!isPixelChannel(id)) continue;
        const ytChannelData& ch = record->channels[c];
        uint16_t word;
        if (!in.Seek(ch.wordOffset) || !in.U16(&word) || word != ch.compression ||
            !in.Seek(ch.dataOffset))
            return kFormatError;
        const uint64_t end = ch.dataOffset + ch.dataSize;
        uint8_t byte = 0;
        if (ch.compression == 1) {
            // The first data byte of the first run: after its header, skipping -128 headers.
            uint8_t header = 0x80;
            while (header == 0x80) {
                if (in.pos() >= end || !in.U8(&header)) return kFormatError;
            }
        }
        if (in.pos() >= end || !in.U8(&byte)) return kFormatError;
        const int shift = kChannelByte[id] * 8;
        value = (value & ~(0xFFu << shift)) | uint32_t{byte} << shift;
    }
    if (colourMode_ == 2)
        value = (value & 0xFF000000u) | (palette_[(value >> 16) & 0xFF] & 0xFFFFFFu);
    *colour = value;
    return kOk;
}

}  // namespace yt
