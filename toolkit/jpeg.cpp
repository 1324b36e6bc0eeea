#include "toolkit/jpeg.h"

// libjpeg's header needs FILE and size_t declared first.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "toolkit/bitmap.h"

namespace yt {
namespace {

// Progressive files may carry any number of scans; far more than any encoder writes is refused,
// so damaged data cannot keep the decoder busy for minutes.
constexpr int kMostScans = 1000;

// The error manager: libjpeg's fatal errors jump back to the decoder with the message kept.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings and trace lines are printed nowhere.
void outputMessage(j_common_ptr) {}

// Warnings are counted, as libjpeg's own handler does, except one: entropy-coded data that stops
// before the picture is complete (the rest would be made up). Such a picture is cut short, so it
// is refused at once, before a large picture's remaining rows are decoded from nothing.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    if (cinfo->err->msg_code == JWRN_HIT_MARKER) {
        auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, manager->message);
        std::longjmp(manager->jump, 1);
    }
    ++cinfo->err->num_warnings;
}

// The memory data source: the whole picture is one buffer. Running past its end hands libjpeg an
// end-of-image marker (as its own file source does) and remembers that the data was cut short.
struct MemorySource {
    jpeg_source_mgr pub;
    bool ranOut;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<MemorySource*>(cinfo->src);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->ranOut = true;
    source->pub.next_input_byte = kEndOfImage;
    source->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = cinfo->src;
    while (static_cast<size_t>(count) > source->bytes_in_buffer) {
        count -= static_cast<long>(source->bytes_in_buffer);
        (*source->fill_input_buffer)(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

// Called by libjpeg as it works through the picture. Data that has run out can only end in an
// error (a cut picture is refused), so the work stops there rather than decoding a large picture's
// remaining rows from nothing; a damaged progressive file cannot make it read scans without end.
void progress(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (reinterpret_cast<const MemorySource*>(dinfo->src)->ranOut) {
        std::snprintf(manager->message, sizeof manager->message, "Premature end of JPEG file");
        std::longjmp(manager->jump, 1);
    }
    if (dinfo->input_scan_number > kMostScans) {
        std::snprintf(manager->message, sizeof manager->message, "More than %d scans", kMostScans);
        std::longjmp(manager->jump, 1);
    }
}

// One decode. Everything the error jump may leave behind lives in this object, built before the
// jump point, so nothing is lost when libjpeg gives up half-way.
class Decoder {
public:
    Decoder() {
        std::memset(&cinfo_, 0, sizeof cinfo_);
        std::memset(&error_, 0, sizeof error_);
        std::memset(&source_, 0, sizeof source_);
        std::memset(&progress_, 0, sizeof progress_);
    }
    ~Decoder() {
        if (created_) jpeg_destroy_decompress(&cinfo_);
    }

    int32_t Run(const uint8_t* data, size_t length, ytBitmap& out, std::string* error) {
        cinfo_.err = jpeg_std_error(&error_.pub);
        error_.pub.error_exit = errorExit;
        error_.pub.output_message = outputMessage;
        error_.pub.emit_message = emitMessage;
        if (setjmp(error_.jump)) {
            if (error) *error = error_.message;
            return error_.pub.msg_code == JERR_OUT_OF_MEMORY ? 4 : 3;
        }
        jpeg_create_decompress(&cinfo_);
        created_ = true;
        progress_.progress_monitor = progress;
        cinfo_.progress = &progress_;
        source_.pub.init_source = initSource;
        source_.pub.fill_input_buffer = fillInputBuffer;
        source_.pub.skip_input_data = skipInputData;
        source_.pub.resync_to_restart = jpeg_resync_to_restart;
        source_.pub.term_source = termSource;
        source_.pub.next_input_byte = data;
        source_.pub.bytes_in_buffer = data ? length : 0;
        cinfo_.src = &source_.pub;

        jpeg_read_header(&cinfo_, TRUE);
        if (source_.ranOut) return fail(error, "Premature end of JPEG file", 3);
        if (uint64_t{cinfo_.image_width} * cinfo_.image_height > kLargestJpegPixels)
            return fail(error, "Picture too large", 4);
        const bool cmyk =
            cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
        // libjpeg-turbo writes B, G, R, A bytes: the bitmap's 0xAARRGGBB words, alpha 255.
        cinfo_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
        jpeg_start_decompress(&cinfo_);
        const int width = static_cast<int>(cinfo_.output_width);
        const int height = static_cast<int>(cinfo_.output_height);
        // The first row is decoded before the picture is allocated: most damaged data fails
        // there, before a large picture costs its memory.
        firstRow_.assign(static_cast<size_t>(width), 0u);
        JSAMPROW first = reinterpret_cast<JSAMPROW>(firstRow_.data());
        jpeg_read_scanlines(&cinfo_, &first, 1);
        if (source_.ranOut) return fail(error, "Premature end of JPEG file", 3);
        picture_ = ytBitmap(width, height);
        if (picture_.empty()) return fail(error, "Empty picture", 3);
        std::copy(firstRow_.begin(), firstRow_.end(), picture_.row(0));
        if (cmyk) convertCmyk(picture_.row(0), width);
        while (cinfo_.output_scanline < cinfo_.output_height) {
            const int y = static_cast<int>(cinfo_.output_scanline);
            JSAMPROW row = reinterpret_cast<JSAMPROW>(picture_.row(y));
            jpeg_read_scanlines(&cinfo_, &row, 1);
            if (source_.ranOut) return fail(error, "Premature end of JPEG file", 3);
            if (cmyk) convertCmyk(picture_.row(y), width);
        }
        jpeg_finish_decompress(&cinfo_);
        if (source_.ranOut) return fail(error, "Premature end of JPEG file", 3);
        out = std::move(picture_);
        return 0;
    }

private:
    static int32_t fail(std::string* error, const char* text, int32_t code) {
        if (error) *error = text;
        return code;
    }

    // CMYK in place (four bytes per pixel) to opaque RGB. Adobe's encoders store the inks
    // inverted, and say so with their marker.
    void convertCmyk(uint32_t* row, int width) const {
        const bool inverted = cinfo_.saw_Adobe_marker;
        auto* bytes = reinterpret_cast<uint8_t*>(row);
        for (int x = 0; x < width; ++x) {
            uint32_t c = bytes[4 * x], m = bytes[4 * x + 1], y = bytes[4 * x + 2],
                     k = bytes[4 * x + 3];
            if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
            const uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255,
                           b = (y * k + 127) / 255;
            row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }

    jpeg_decompress_struct cinfo_;
    ErrorManager error_;
    MemorySource source_;
    jpeg_progress_mgr progress_;
    bool created_ = false;
    ytBitmap picture_;
    std::vector<uint32_t> firstRow_;
};

}  // namespace

int32_t DecodeJpeg(const uint8_t* data, size_t length, ytBitmap& out, std::string* error) {
    Decoder decoder;
    return decoder.Run(data, length, out, error);
}

int32_t LoadJpegFile(const std::string& path, ytBitmap& out, std::string* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (error) *error = "Cannot open " + path;
        return 2;
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        if (error) *error = "Cannot read " + path;
        return 2;
    }
    return DecodeJpeg(bytes.data(), bytes.size(), out, error);
}

}  // namespace yt
