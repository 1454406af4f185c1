// SPDX-License-Identifier: MIT
#include "core/problem_log.h"
#include "pictures/decoders.h"
#include "pictures/exif_orientation.h"

#include <QImage>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

// libjpeg-turbo is driven directly, so that rows come one at a time into the caller's buffer in the bitmap's own
// blue-green-red order, and so that a picture too big to decode whole can be decoded at 1/2, 1/4 or 1/8 of its size
// by the scaled inverse DCT, which costs less than the full decode.
//
// libjpeg reports a fatal error by calling error_exit, which must not return. Here it jumps back with longjmp to the
// one place that called into the library; every such call is made through guarded(), whose frame and the library's
// own hold nothing that needs a destructor, so the jump skips no C++ clean-up.

namespace {

constexpr std::size_t SourceBufferBytes = 64 * 1024;
// Real progressive files have a dozen scans or so; each scan is a pass over the blocks of one component or all, and a
// scan that codes every block as empty takes a few bytes, so a small file of many such scans would cost minutes.
// libjpeg's own progressive files pass over each block of the picture about 5 times, other encoders' not many more;
// 16 passes cost about as much again as the decode of the picture itself. A picture of up to some 300000 pixels may
// take all its scans: 4 million passes cost a few hundredths of a second.
constexpr int MostScans = 500;
constexpr qint64 MostPassesPerBlock = 16;
constexpr qint64 AlwaysAffordablePasses = qint64(1) << 22;
// The stored rows turned at a time for an orientation that swaps the sides: enough for the upright rows they land in
// to be written a cache line at a time.
constexpr int RowsPerTurn = 16;

struct Decoder {
    explicit Decoder(std::unique_ptr<PlainFile> from) : file(std::move(from)), buffer(SourceBufferBytes) {}
    ~Decoder() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    std::unique_ptr<PlainFile> file;
    std::vector<JOCTET> buffer;
    std::vector<JSAMPLE> cmyk; // one row of four-channel samples, for CMYK and YCCK pictures
    int scansCounted = 0;
    qint64 blockPasses = 0; // the blocks of every scan so far, added up
    bool created = false;
    bool readFailed = false;
};

Decoder& decoderOf(j_common_ptr info) {
    return *static_cast<Decoder*>(info->client_data);
}

Decoder& decoderOf(j_decompress_ptr info) {
    return *static_cast<Decoder*>(info->client_data);
}

[[noreturn]] void leave(j_common_ptr info) {
    Decoder& decoder = decoderOf(info);
    info->err->format_message(info, decoder.message);
    std::longjmp(decoder.jump, 1);
}

// Warnings (corrupt data that libjpeg repairs, a missing end marker) are not printed: a picture gets one line of the
// program's own at most.
void keepQuiet(j_common_ptr info, int level) {
    if (level < 0)
        ++info->err->num_warnings;
}

qint64 blocksOf(const jpeg_component_info& component) {
    return qint64(component.width_in_blocks) * component.height_in_blocks;
}

// Called before each stretch of input is taken in: the work of a scan is counted, and refused, before it is done.
void countScans(j_common_ptr info) {
    Decoder& decoder = decoderOf(info);
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (!info->is_decompressor || decompress->input_scan_number == decoder.scansCounted)
        return;
    decoder.scansCounted = decompress->input_scan_number;
    for (int c = 0; c < decompress->comps_in_scan; ++c)
        decoder.blockPasses += blocksOf(*decompress->cur_comp_info[c]);
    qint64 pictureBlocks = 0;
    for (int c = 0; c < decompress->num_components; ++c)
        pictureBlocks += blocksOf(decompress->comp_info[c]);
    if (decoder.scansCounted > MostScans)
        std::snprintf(decoder.message, sizeof decoder.message, "more than %d scans", MostScans);
    else if (decoder.blockPasses > std::max(AlwaysAffordablePasses, MostPassesPerBlock * pictureBlocks))
        std::snprintf(decoder.message, sizeof decoder.message,
                      "its scans pass over its %lld blocks more than %lld times", static_cast<long long>(pictureBlocks),
                      static_cast<long long>(MostPassesPerBlock));
    else
        return;
    std::longjmp(decoder.jump, 1);
}

void startSource(j_decompress_ptr /*info*/) {}

void endSource(j_decompress_ptr /*info*/) {}

// The end of the file, or a read error, ends the data with an end-of-image marker, as libjpeg's own file source does:
// the library then fills what is missing and warns.
boolean fillSource(j_decompress_ptr info) {
    static const JOCTET endOfImage[] = {0xFF, JPEG_EOI};
    Decoder& decoder = decoderOf(info);
    const qint64 got =
        decoder.file->read(reinterpret_cast<char*>(decoder.buffer.data()), qint64(decoder.buffer.size()));
    if (got <= 0) {
        decoder.readFailed = decoder.readFailed || got < 0;
        decoder.source.next_input_byte = endOfImage;
        decoder.source.bytes_in_buffer = sizeof endOfImage;
        return TRUE;
    }
    decoder.source.next_input_byte = decoder.buffer.data();
    decoder.source.bytes_in_buffer = static_cast<std::size_t>(got);
    return TRUE;
}

void skipSource(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    Decoder& decoder = decoderOf(info);
    jpeg_source_mgr& source = decoder.source;
    if (static_cast<unsigned long>(count) <= source.bytes_in_buffer) {
        source.next_input_byte += count;
        source.bytes_in_buffer -= static_cast<std::size_t>(count);
        return;
    }
    const qint64 beyond = count - qint64(source.bytes_in_buffer);
    source.bytes_in_buffer = 0;
    // Past the end the next read finds nothing, which ends the data.
    decoder.file->seek(decoder.file->pos() + beyond);
}

template <typename Step> bool guarded(Decoder& decoder, const Step& step) {
    if (setjmp(decoder.jump) != 0)
        return false;
    step();
    return true;
}

QString damaged(const Decoder& decoder) {
    if (decoder.readFailed)
        return QStringLiteral("cannot read %1: %2").arg(decoder.file->path(), decoder.file->errorString());
    return QStringLiteral("the picture %1 is a damaged JPEG: %2")
        .arg(decoder.file->path(), QString::fromLocal8Bit(decoder.message));
}

bool readHeader(Decoder& decoder) {
    decoder.info.err = jpeg_std_error(&decoder.errors);
    decoder.errors.error_exit = leave;
    decoder.errors.emit_message = keepQuiet;
    decoder.info.client_data = &decoder; // kept by jpeg_create_decompress
    if (!guarded(decoder, [&decoder] { jpeg_create_decompress(&decoder.info); }))
        return false;
    decoder.created = true;
    decoder.source.init_source = startSource;
    decoder.source.fill_input_buffer = fillSource;
    decoder.source.skip_input_data = skipSource;
    decoder.source.resync_to_restart = jpeg_resync_to_restart;
    decoder.source.term_source = endSource;
    decoder.info.src = &decoder.source;
    decoder.progress.progress_monitor = countScans;
    decoder.info.progress = &decoder.progress;
    return guarded(decoder, [&decoder] {
        jpeg_save_markers(&decoder.info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&decoder.info, TRUE);
    });
}

Orientation orientationOf(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 && std::memcmp(marker->data, "Exif\0", 6) == 0)
            return exifOrientation(marker->data, marker->data_length);
    }
    return Orientation::Upright;
}

// The coefficients a picture of several scans keeps whole until its last scan: two bytes for each of the 64 of every
// block of every component, in whole MCU rows and columns.
qint64 coefficientBytes(const jpeg_decompress_struct& info) {
    qint64 bytes = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const auto roundUp = [](qint64 value, qint64 step) { return step > 0 ? (value + step - 1) / step * step : 0; };
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                 roundUp(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2 * qint64(sizeof(JCOEF));
    }
    return bytes;
}

// Picks the output colours and the largest scale, of 1, 1/2, 1/4 and 1/8, whose 32-bit pixels fit within the limit.
bool planDecode(Decoder& decoder, qint64 decodeLimitBytes, QString* error) {
    jpeg_decompress_struct& info = decoder.info;
    const QString path = decoder.file->path();
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // Files written by Adobe's programs, nearly all CMYK JPEGs there are, store the inks inverted; every common
        // decoder takes the few without Adobe's marker the same way.
        info.out_color_space = JCS_CMYK;
        break;
    default:
        return fail(error, QStringLiteral("the picture %1 is a JPEG in a colour space of %2 components that this "
                                          "program cannot show")
                               .arg(path)
                               .arg(info.num_components));
    }
    if (!fileHoldsPixels(*decoder.file, info.image_width, info.image_height, error))
        return false;
    if (jpeg_has_multiple_scans(&info) && coefficientBytes(info) > decodeLimitBytes)
        return fail(error, QStringLiteral("the picture %1 is a %2 x %3 JPEG of several scans that would need %4 MiB "
                                          "to decode, more than the %5 MiB allowed")
                               .arg(path)
                               .arg(info.image_width)
                               .arg(info.image_height)
                               .arg(mebibytes(coefficientBytes(info)), mebibytes(decodeLimitBytes)));
    for (const unsigned denominator : {1u, 2u, 4u, 8u}) {
        info.scale_num = 1;
        info.scale_denom = denominator;
        if (!guarded(decoder, [&info] { jpeg_calc_output_dimensions(&info); }))
            return fail(error, damaged(decoder));
        if (qint64(info.output_width) * info.output_height * 4 <= decodeLimitBytes)
            return true;
    }
    return fail(error, QStringLiteral("the picture %1 is a %2 x %3 JPEG, too large to decode within %4 MiB even at "
                                      "1/8 of its size")
                           .arg(path)
                           .arg(info.image_width)
                           .arg(info.image_height)
                           .arg(mebibytes(decodeLimitBytes)));
}

bool startDecode(Decoder& decoder, qint64 decodeLimitBytes, QString* error) {
    // libjpeg keeps its large buffers within this; beyond it, it fails rather than allocate.
    decoder.info.mem->max_memory_to_use = static_cast<long>(decodeLimitBytes);
    if (!guarded(decoder, [&decoder] { jpeg_start_decompress(&decoder.info); }))
        return fail(error, damaged(decoder));
    const int expected = decoder.info.out_color_space == JCS_CMYK ? 4 : 3;
    if (decoder.info.output_components != expected)
        return fail(error, QStringLiteral("the picture %1 is a JPEG whose colours this program cannot convert")
                               .arg(decoder.file->path()));
    if (expected == 4)
        decoder.cmyk.resize(std::size_t(decoder.info.output_width) * 4);
    return true;
}

// The samples are inverted inks: 255 is no ink.
void cmykToBgr(const JSAMPLE* cmyk, JDIMENSION width, uchar* bgr) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int black = cmyk[3];
        bgr[0] = static_cast<uchar>(cmyk[2] * black / 255);
        bgr[1] = static_cast<uchar>(cmyk[1] * black / 255);
        bgr[2] = static_cast<uchar>(cmyk[0] * black / 255);
    }
}

// The next row as the file stores it.
bool readStoredRow(Decoder& decoder, uchar* bgr, QString* error) {
    const bool fourChannels = !decoder.cmyk.empty();
    JSAMPROW row = fourChannels ? decoder.cmyk.data() : bgr;
    JDIMENSION got = 0;
    if (!guarded(decoder, [&decoder, &row, &got] { got = jpeg_read_scanlines(&decoder.info, &row, 1); }) ||
        decoder.readFailed)
        return fail(error, damaged(decoder));
    if (got != 1)
        return fail(error, QStringLiteral("the picture %1 has no more rows").arg(decoder.file->path()));
    if (fourChannels)
        cmykToBgr(decoder.cmyk.data(), decoder.info.output_width, bgr);
    return true;
}

void mirror(uchar* bgr, int width) {
    for (int left = 0, right = width - 1; left < right; ++left, --right)
        std::swap_ranges(bgr + 3 * left, bgr + 3 * left + 3, bgr + 3 * right);
}

// Rows straight from the decoder. A picture turned 180 degrees or mirrored is still served as it streams: its rows
// come bottom row first, or mirrored, or both.
class JpegRows final : public PictureRows {
public:
    JpegRows(std::unique_ptr<Decoder> decoder, Orientation orientation)
        : PictureRows(decoder->file->path(), QSize(int(decoder->info.output_width), int(decoder->info.output_height)),
                      orientation == Orientation::Turned180 || orientation == Orientation::Flipped ? RowOrder::BottomUp
                                                                                                   : RowOrder::TopDown),
          decoder_(std::move(decoder)),
          mirrored_(orientation == Orientation::Mirrored || orientation == Orientation::Turned180) {}

protected:
    bool readNextRow(uchar* bgr, QString* error) override {
        if (!readStoredRow(*decoder_, bgr, error))
            return false;
        if (mirrored_)
            mirror(bgr, size().width());
        return true;
    }

private:
    std::unique_ptr<Decoder> decoder_;
    bool mirrored_;
};

// A picture whose orientation swaps its sides is turned whole, in memory, as 24-bit pixels.
bool turnWhole(Decoder& decoder, Orientation orientation, QImage* upright, QString* error) {
    const int width = int(decoder.info.output_width);
    const int height = int(decoder.info.output_height);
    *upright = QImage(height, width, QImage::Format_BGR888);
    if (upright->isNull())
        return fail(error, QStringLiteral("no memory to turn the picture %1 upright (%2 x %3 pixels)")
                               .arg(decoder.file->path())
                               .arg(height)
                               .arg(width));
    const bool columnsFromTop = orientation == Orientation::Transposed || orientation == Orientation::TurnedRight;
    const bool rowsFromLeft = orientation == Orientation::Transposed || orientation == Orientation::TurnedLeft;
    const qsizetype storedRowBytes = qsizetype(width) * 3;
    std::vector<uchar> band(static_cast<std::size_t>(storedRowBytes * RowsPerTurn));
    for (int first = 0; first < height; first += RowsPerTurn) {
        const int rows = std::min(RowsPerTurn, height - first);
        for (int i = 0; i < rows; ++i) {
            if (!readStoredRow(decoder, band.data() + i * storedRowBytes, error))
                return false;
        }
        // Stored row r becomes upright column r or height-1-r; stored column c becomes upright row c or width-1-c.
        for (int c = 0; c < width; ++c) {
            uchar* line = upright->scanLine(columnsFromTop ? c : width - 1 - c);
            const uchar* from = band.data() + qsizetype(c) * 3;
            for (int i = 0; i < rows; ++i, from += storedRowBytes) {
                const int r = first + i;
                uchar* to = line + qsizetype(rowsFromLeft ? r : height - 1 - r) * 3;
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
    }
    return true;
}

} // namespace

bool openJpegRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                  QString* error) {
    auto decoder = std::make_unique<Decoder>(std::move(file));
    if (!readHeader(*decoder))
        return fail(error, damaged(*decoder));
    if (!planDecode(*decoder, decodeLimitBytes, error) || !startDecode(*decoder, decodeLimitBytes, error))
        return false;
    const Orientation orientation = orientationOf(decoder->info);
    if (!swapsSides(orientation)) {
        *rows = std::make_unique<JpegRows>(std::move(decoder), orientation);
        return true;
    }
    QImage upright;
    if (!turnWhole(*decoder, orientation, &upright, error))
        return false;
    const QString path = decoder->file->path();
    decoder.reset(); // the coefficient buffers of a progressive picture go before its rows are served
    *rows = heldRows(path, std::move(upright));
    return true;
}
