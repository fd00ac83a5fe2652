// JPEG through libjpeg-turbo. The library reports errors through a callback that must not
// return; ours jumps back to the function that started the work (setjmp/longjmp, since C++
// exceptions cannot cross the library's C frames), which then raises EInvalidGraphic with the
// codec's own message. No object with a destructor lives between a setjmp and its longjmp.
#include <algorithm>
#include <csetjmp>
#include <memory>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include <QIODevice>

#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

// A progressive file of more scans than this is refused: each scan costs a pass over the
// whole coefficient buffer, so a small hostile file could otherwise keep the decoder busy.
constexpr int kMaxJpegScans = 500;
constexpr std::size_t kIoBufferSize = 64 * 1024;
// The coefficient buffer of a progressive file of the largest picture with subsampled colour
// (1.5 samples a pixel at 2 bytes each); a file that needs more is refused.
constexpr std::int64_t kMaxCoefficientBytes = kMaxPicturePixels * 3;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::snprintf(err->message, sizeof err->message, "JPEG error #%d: %s", cinfo->err->msg_code, text);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt data the decoder worked around) leave a picture; nothing is printed.
void OutputMessage(j_common_ptr) {}

void FailWith(j_common_ptr cinfo, const char* text)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

void InitErrorManager(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.message[0] = 0;
}

// --- source: reads from a QIODevice

struct Source {
    jpeg_source_mgr pub;
    QIODevice* device;
    bool endedEarly;
    JOCTET buffer[kIoBufferSize];
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    qint64 got = src->device->read(reinterpret_cast<char*>(src->buffer), kIoBufferSize);
    if (got <= 0) {
        // The end came early: hand the decoder an end marker, as libjpeg's own sources do.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->endedEarly = true;
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = std::size_t(got);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    while (count > 0) {
        if (count <= long(src->pub.bytes_in_buffer)) {
            src->pub.next_input_byte += count;
            src->pub.bytes_in_buffer -= std::size_t(count);
            return;
        }
        count -= long(src->pub.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
}

void TermSource(j_decompress_ptr) {}

void ProgressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxJpegScans)
            FailWith(cinfo, "JPEG image is not valid: it needs more than 500 scans");
    }
}

// --- destination: writes to a QIODevice

struct Destination {
    jpeg_destination_mgr pub;
    QIODevice* device;
    JOCTET buffer[kIoBufferSize];
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kIoBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    if (dest->device->write(reinterpret_cast<const char*>(dest->buffer), qint64(kIoBufferSize)) != qint64(kIoBufferSize))
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), "Stream write error");
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kIoBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const qint64 size = qint64(kIoBufferSize - dest->pub.free_in_buffer);
    if (size > 0 && dest->device->write(reinterpret_cast<const char*>(dest->buffer), size) != size)
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), "Stream write error");
}

// The decoder state that outlives a longjmp (all plain data).
struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    Source source;
};

// CMYK as Adobe writes it (inverted) or plain, to blue, green, red.
void CmykRowToBgr(const JSAMPLE* in, std::uint8_t* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>(y * k / 255);
        out[1] = static_cast<std::uint8_t>(m * k / 255);
        out[2] = static_cast<std::uint8_t>(c * k / 255);
    }
}

// Reads the header and checks the picture size. Returns false with job.err.message set when
// the codec failed (the decoder is then destroyed).
bool ReadHeader(DecodeJob& job)
{
    j_decompress_ptr cinfo = &job.cinfo;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_read_header(cinfo, TRUE);
    // Checked before the decoder allocates anything of the picture's size.
    if (cinfo->image_width > unsigned(kMaxPictureSide) || cinfo->image_height > unsigned(kMaxPictureSide)
        || std::int64_t(cinfo->image_width) * cinfo->image_height > kMaxPicturePixels)
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), "JPEG image is larger than the picture size limit");
    // A multi-scan file is decoded through a buffer of all its coefficients (128 bytes a
    // block of each component), allocated before any scan is read.
    if (jpeg_has_multiple_scans(cinfo)) {
        std::int64_t coefficientBytes = 0;
        for (int c = 0; c < cinfo->num_components; ++c)
            coefficientBytes += std::int64_t(cinfo->comp_info[c].width_in_blocks) * cinfo->comp_info[c].height_in_blocks * 128;
        if (coefficientBytes > kMaxCoefficientBytes)
            FailWith(reinterpret_cast<j_common_ptr>(cinfo), "JPEG image is larger than the picture size limit");
    }
    return true;
}

// Starts the decoder with the given transform and size divisor. Same failure contract.
bool StartDecode(DecodeJob& job, J_DCT_METHOD dct, unsigned scaleDenominator)
{
    j_decompress_ptr cinfo = &job.cinfo;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo->dct_method = dct;
    cinfo->scale_num = 1;
    cinfo->scale_denom = scaleDenominator;
    jpeg_start_decompress(cinfo);
    return true;
}

// Decodes every row into picture (allocated to the output size). Same failure contract.
bool DecodeRows(DecodeJob& job, TXBitmap& picture, std::vector<JSAMPLE>& cmykRow)
{
    j_decompress_ptr cinfo = &job.cinfo;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const bool cmyk = cinfo->out_color_space == JCS_CMYK;
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        if (cmyk) {
            JSAMPROW row = cmykRow.data();
            jpeg_read_scanlines(cinfo, &row, 1);
            CmykRowToBgr(cmykRow.data(), picture.ScanLine(y), picture.Width(), inverted);
        } else {
            // Up to 16 rows a call: the decoder's natural group for 2x2 subsampling.
            JSAMPROW rows[16];
            const int count = std::min<int>(16, int(cinfo->output_height) - y);
            for (int i = 0; i < count; ++i)
                rows[i] = picture.ScanLine(y + i);
            jpeg_read_scanlines(cinfo, rows, JDIMENSION(count));
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

struct EncodeJob {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    Destination dest;
};

bool Encode(EncodeJob& job, const TXBitmap& picture, int quality, J_DCT_METHOD dct)
{
    j_compress_ptr cinfo = &job.cinfo;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    cinfo->dest = &job.dest.pub;
    cinfo->image_width = JDIMENSION(picture.Width());
    cinfo->image_height = JDIMENSION(picture.Height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    cinfo->dct_method = dct;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[16];
        const int y = int(cinfo->next_scanline);
        const int count = std::min<int>(16, int(cinfo->image_height) - y);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(picture.ScanLine(y + i));
        jpeg_write_scanlines(cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

} // namespace

void ReadJpeg(QIODevice& stream, TXBitmap& picture)
{
    ReadJpeg(stream, picture, TJpegReadOptions());
}

void ReadJpeg(QIODevice& stream, TXBitmap& picture, const TJpegReadOptions& options)
{
    auto job = std::make_unique<DecodeJob>();
    InitErrorManager(job->err);
    job->cinfo.err = &job->err.pub;
    jpeg_create_decompress(&job->cinfo);
    job->source.device = &stream;
    job->source.endedEarly = false;
    job->source.pub.init_source = InitSource;
    job->source.pub.fill_input_buffer = FillInputBuffer;
    job->source.pub.skip_input_data = SkipInputData;
    job->source.pub.resync_to_restart = jpeg_resync_to_restart;
    job->source.pub.term_source = TermSource;
    job->source.pub.bytes_in_buffer = 0;
    job->source.pub.next_input_byte = nullptr;
    job->cinfo.src = &job->source.pub;
    job->progress.progress_monitor = ProgressMonitor;
    job->cinfo.progress = &job->progress;

    if (!ReadHeader(*job))
        throw EInvalidGraphic(QString::fromUtf8(job->err.message));
    unsigned denominator = 1;
    if (options.ScaleDenominator) {
        int chosen = 1;
        try {
            chosen = options.ScaleDenominator(int(job->cinfo.image_width), int(job->cinfo.image_height));
        } catch (...) {
            jpeg_destroy_decompress(&job->cinfo);
            throw;
        }
        if (chosen == 2 || chosen == 4 || chosen == 8)
            denominator = unsigned(chosen);
    }
    if (!StartDecode(*job, options.Dct == TJpegDct::Fast ? JDCT_IFAST : JDCT_ISLOW, denominator))
        throw EInvalidGraphic(QString::fromUtf8(job->err.message));
    std::vector<JSAMPLE> cmykRow;
    try {
        picture.AllocateUninitialised(int(job->cinfo.output_width), int(job->cinfo.output_height), TPixelFormat::pf24bit);
        if (job->cinfo.out_color_space == JCS_CMYK)
            cmykRow.resize(std::size_t(job->cinfo.output_width) * 4);
    } catch (...) {
        jpeg_destroy_decompress(&job->cinfo);
        throw;
    }
    const TPrefaultPixels prefault(picture);
    if (!DecodeRows(*job, picture, cmykRow))
        throw EInvalidGraphic(QString::fromUtf8(job->err.message));
    picture.SetLoadedIncomplete(job->source.endedEarly);
}

bool JpegFrameSize(const std::uint8_t* data, std::int64_t size, int& width, int& height)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::int64_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return false;
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            return false;
        const int length = (data[at + 2] << 8) | data[at + 3];
        if (length < 2 || at + 2 + length > size)
            return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8)
                return false;
            height = (data[at + 5] << 8) | data[at + 6];
            width = (data[at + 7] << 8) | data[at + 8];
            return width > 0 && height > 0;
        }
        if (marker == 0xDA) // a scan before any frame header
            return false;
        at += 2 + length;
    }
    return false;
}

void WriteJpeg(QIODevice& stream, const TXBitmap& picture, int quality)
{
    WriteJpeg(stream, picture, quality, TJpegDct::Default);
}

void WriteJpeg(QIODevice& stream, const TXBitmap& picture, int quality, TJpegDct dct)
{
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        TXBitmap converted(picture);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        WriteJpeg(stream, converted, quality, dct);
        return;
    }
    if (picture.Empty())
        throw EInvalidGraphic(QStringLiteral("An empty picture cannot be written as JPEG"));
    auto job = std::make_unique<EncodeJob>();
    InitErrorManager(job->err);
    job->cinfo.err = &job->err.pub;
    job->dest.device = &stream;
    job->dest.pub.init_destination = InitDestination;
    job->dest.pub.empty_output_buffer = EmptyOutputBuffer;
    job->dest.pub.term_destination = TermDestination;
    if (!Encode(*job, picture, quality, dct == TJpegDct::Fast ? JDCT_IFAST : JDCT_ISLOW)) {
        const QString message = QString::fromUtf8(job->err.message);
        if (message == u"Stream write error")
            throw EWriteError();
        throw EInvalidGraphic(message);
    }
}

} // namespace vellum
