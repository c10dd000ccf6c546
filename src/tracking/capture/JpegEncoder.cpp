#include "tracking/capture/JpegEncoder.h"

#include "foundation/Log.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

// libjpeg reports a failure by calling back, never returning; the callback jumps back to the
// setjmp() of the call that failed. So every function below that calls into libjpeg keeps only
// plain values in its frame (a jump skips destructors), and its caller logs and cleans up.
struct JpegEncoder::Compressor
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_destination_mgr destination{};
    std::jmp_buf failed{};
    char message[JMSG_LENGTH_MAX]{};
    bool created = false;

    // The JPEG is written here; the buffer grows as needed and is kept for the next frame.
    JOCTET *output = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;

    ~Compressor()
    {
        if (created)
            jpeg_destroy_compress(&info);
        std::free(output);
    }
};

namespace {

using Compressor = JpegEncoder::Compressor;

// A 1080p screen at the capture's quality takes a few hundred kilobytes.
constexpr std::size_t initialOutputBytes = 256 * 1024;

// QImage's 32-bit RGB formats hold each pixel as one 0xAARRGGBB word in native byte order.
constexpr J_COLOR_SPACE nativeRgb32ColourSpace =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Rows handed to libjpeg per call.
constexpr int rowsPerWrite = 16;

bool isNative32BitRgb(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

Compressor &compressorOf(j_common_ptr info)
{
    return *static_cast<Compressor *>(info->client_data);
}

[[noreturn]] void jumpBackOnError(j_common_ptr info)
{
    Compressor &compressor = compressorOf(info);
    (*info->err->format_message)(info, compressor.message);
    std::longjmp(compressor.failed, 1);
}

void failForLackOfMemory(j_compress_ptr info)
{
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
}

// Warnings would go to standard error; a frame that encodes is all that matters here.
void ignoreMessage(j_common_ptr) {}

void startOutput(j_compress_ptr info)
{
    Compressor &compressor = compressorOf(reinterpret_cast<j_common_ptr>(info));
    if (!compressor.output) {
        compressor.output = static_cast<JOCTET *>(std::malloc(initialOutputBytes));
        if (!compressor.output)
            failForLackOfMemory(info);
        compressor.capacity = initialOutputBytes;
    }
    compressor.destination.next_output_byte = compressor.output;
    compressor.destination.free_in_buffer = compressor.capacity;
}

// Called with the buffer full: it doubles, keeping what was written.
boolean growOutput(j_compress_ptr info)
{
    Compressor &compressor = compressorOf(reinterpret_cast<j_common_ptr>(info));
    const std::size_t grown = compressor.capacity * 2;
    auto *output = static_cast<JOCTET *>(std::realloc(compressor.output, grown));
    if (!output)
        failForLackOfMemory(info);
    compressor.output = output;
    compressor.destination.next_output_byte = output + compressor.capacity;
    compressor.destination.free_in_buffer = grown - compressor.capacity;
    compressor.capacity = grown;
    return TRUE;
}

void endOutput(j_compress_ptr info)
{
    Compressor &compressor = compressorOf(reinterpret_cast<j_common_ptr>(info));
    compressor.size = compressor.capacity - compressor.destination.free_in_buffer;
}

bool createCompressor(Compressor &compressor)
{
    compressor.info.err = jpeg_std_error(&compressor.errors);
    compressor.errors.error_exit = jumpBackOnError;
    compressor.errors.output_message = ignoreMessage;
    compressor.info.client_data = &compressor;
    if (setjmp(compressor.failed))
        return false;
    jpeg_create_compress(&compressor.info);
    compressor.created = true;
    compressor.destination.init_destination = startOutput;
    compressor.destination.empty_output_buffer = growOutput;
    compressor.destination.term_destination = endOutput;
    compressor.info.dest = &compressor.destination;
    return true;
}

// The settings TurboJPEG uses for 4:2:0 below quality 96, so the files stay as they were.
bool startCompressing(Compressor &compressor, int width, int height, int quality)
{
    if (setjmp(compressor.failed))
        return false;
    jpeg_compress_struct &info = compressor.info;
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = nativeRgb32ColourSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = quality >= 96 ? JDCT_ISLOW : JDCT_FASTEST;
    jpeg_set_colorspace(&info, JCS_YCbCr);
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    for (int chroma = 1; chroma < info.num_components; ++chroma) {
        info.comp_info[chroma].h_samp_factor = 1;
        info.comp_info[chroma].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    return true;
}

bool writeScanlines(Compressor &compressor, const uchar *pixels, qsizetype bytesPerLine, int rows)
{
    if (setjmp(compressor.failed))
        return false;
    JSAMPROW lines[rowsPerWrite];
    int written = 0;
    while (written < rows) {
        const int count = std::min(rowsPerWrite, rows - written);
        for (int line = 0; line < count; ++line)
            lines[line] = const_cast<JSAMPROW>(pixels + (written + line) * bytesPerLine);
        // The destination never suspends, so every line given is taken.
        written += static_cast<int>(
            jpeg_write_scanlines(&compressor.info, lines, static_cast<JDIMENSION>(count)));
    }
    return true;
}

bool finishCompressing(Compressor &compressor)
{
    if (setjmp(compressor.failed))
        return false;
    jpeg_finish_compress(&compressor.info);
    return true;
}

} // namespace

JpegEncoder::JpegEncoder() = default;
JpegEncoder::~JpegEncoder() = default;

QByteArrayView JpegEncoder::encode(const QImage &image, int quality)
{
    if (image.isNull() || !begin(image.size(), quality) || !addRows(image))
        return {};
    return finish();
}

bool JpegEncoder::begin(const QSize &size, int quality)
{
    abandonFrame();
    if (size.isEmpty())
        return false;
    if (!m_compressor) {
        auto compressor = std::make_unique<Compressor>();
        if (!createCompressor(*compressor)) {
            zuvError(lcCapture).noquote() << QStringLiteral("JPEG compressor unavailable: %1")
                                                 .arg(QString::fromUtf8(compressor->message));
            return false;
        }
        m_compressor = std::move(compressor);
    }
    m_inFrame = true;
    if (!startCompressing(*m_compressor, size.width(), size.height(),
                          std::clamp(quality, 1, 100))) {
        zuvError(lcCapture).noquote() << QStringLiteral("JPEG encoding failed: %1")
                                             .arg(QString::fromUtf8(m_compressor->message));
        abandonFrame();
        return false;
    }
    return true;
}

bool JpegEncoder::addRows(const QImage &rows)
{
    if (!m_inFrame)
        return false;
    const jpeg_compress_struct &info = m_compressor->info;
    const auto rowsLeft = static_cast<qint64>(info.image_height) - info.next_scanline;
    if (rows.width() != static_cast<int>(info.image_width) || rows.height() > rowsLeft) {
        zuvError(lcCapture) << "JPEG encoding failed: rows of" << rows.size()
                            << "do not fit the frame";
        abandonFrame();
        return false;
    }
    const QImage pixels =
        isNative32BitRgb(rows.format()) ? rows : rows.convertToFormat(QImage::Format_RGB32);
    return writeRows(pixels.constBits(), pixels.bytesPerLine(), pixels.height());
}

bool JpegEncoder::writeRows(const uchar *pixels, qsizetype bytesPerLine, int rows)
{
    if (writeScanlines(*m_compressor, pixels, bytesPerLine, rows))
        return true;
    zuvError(lcCapture).noquote()
        << QStringLiteral("JPEG encoding failed: %1").arg(QString::fromUtf8(m_compressor->message));
    abandonFrame();
    return false;
}

QByteArrayView JpegEncoder::finish()
{
    if (!m_inFrame)
        return {};
    if (m_compressor->info.next_scanline < m_compressor->info.image_height) {
        zuvError(lcCapture) << "JPEG encoding failed: the frame lacks"
                            << m_compressor->info.image_height - m_compressor->info.next_scanline
                            << "rows";
        abandonFrame();
        return {};
    }
    m_inFrame = false;
    if (!finishCompressing(*m_compressor)) {
        zuvError(lcCapture).noquote() << QStringLiteral("JPEG encoding failed: %1")
                                             .arg(QString::fromUtf8(m_compressor->message));
        jpeg_abort_compress(&m_compressor->info);
        return {};
    }
    return QByteArrayView(reinterpret_cast<const char *>(m_compressor->output),
                          static_cast<qsizetype>(m_compressor->size));
}

void JpegEncoder::abandonFrame()
{
    if (m_inFrame)
        jpeg_abort_compress(&m_compressor->info);
    m_inFrame = false;
}

void JpegEncoder::release()
{
    abandonFrame();
    m_compressor.reset();
}
