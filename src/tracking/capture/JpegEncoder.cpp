#include "tracking/capture/JpegEncoder.h"

#include "foundation/Log.h"

#include <QtEndian>

#include <turbojpeg.h>

namespace {

// QImage's 32-bit RGB formats hold each pixel as one 0xAARRGGBB word in native byte order.
constexpr int nativeRgb32PixelFormat =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;

bool isNative32BitRgb(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

JpegEncoder::JpegEncoder() = default;

JpegEncoder::~JpegEncoder()
{
    release();
    if (m_handle)
        tjDestroy(m_handle);
}

QByteArrayView JpegEncoder::encode(const QImage &image, int quality)
{
    if (image.isNull())
        return {};
    const QImage pixels =
        isNative32BitRgb(image.format()) ? image : image.convertToFormat(QImage::Format_RGB32);
    if (!m_handle)
        m_handle = tjInitCompress();
    if (!m_handle) {
        zuvError(lcCapture) << "TurboJPEG compressor unavailable";
        return {};
    }
    const unsigned long needed =
        tjBufSize(pixels.width(), pixels.height(), TJSAMP_420); // the worst case for the size
    if (needed > m_capacity) {
        release();
        m_buffer = tjAlloc(static_cast<int>(needed));
        if (!m_buffer)
            return {};
        m_capacity = needed;
    }
    unsigned long size = m_capacity;
    // The buffer is big enough for any image of this size, so TurboJPEG never reallocates it.
    const int failed = tjCompress2(m_handle, pixels.constBits(), pixels.width(),
                                   static_cast<int>(pixels.bytesPerLine()), pixels.height(),
                                   nativeRgb32PixelFormat, &m_buffer, &size, TJSAMP_420, quality,
                                   TJFLAG_NOREALLOC);
    if (failed) {
        zuvError(lcCapture).noquote() << QStringLiteral("JPEG encoding failed: %1")
                                             .arg(QString::fromUtf8(tjGetErrorStr2(m_handle)));
        return {};
    }
    return QByteArrayView(reinterpret_cast<const char *>(m_buffer), static_cast<qsizetype>(size));
}

void JpegEncoder::release()
{
    if (m_buffer)
        tjFree(m_buffer);
    m_buffer = nullptr;
    m_capacity = 0;
}
