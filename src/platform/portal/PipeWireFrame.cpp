#include "platform/portal/PipeWireFrame.h"

#include <cstring>

namespace PipeWireFrame {

QImage toImage(const Buffer &buffer)
{
    if (buffer.data == nullptr || buffer.size.isEmpty())
        return {};
    const QRect whole(QPoint(0, 0), buffer.size);
    const QRect area = buffer.crop.isEmpty() ? whole : buffer.crop.intersected(whole);
    if (area.isEmpty())
        return {};
    const qsizetype lineBytes = qsizetype(buffer.size.width()) * 4;
    if (buffer.stride < lineBytes)
        return {};
    // The last line needs only its pixels, not a full stride.
    const qsizetype needed = qsizetype(buffer.stride) * (buffer.size.height() - 1) + lineBytes;
    if (buffer.bytes < needed)
        return {};

    const QImage::Format format =
        buffer.layout == Layout::Bgrx ? QImage::Format_RGB32 : QImage::Format_RGBX8888;
    QImage image(area.size(), format);
    if (image.isNull())
        return {};
    const size_t copyBytes = size_t(area.width()) * 4;
    for (int y = 0; y < area.height(); ++y) {
        const uchar *source =
            buffer.data + qsizetype(buffer.stride) * (area.y() + y) + qsizetype(area.x()) * 4;
        std::memcpy(image.scanLine(y), source, copyBytes);
    }
    if (format == QImage::Format_RGB32) {
        // Format_RGB32 wants 0xff in the unused byte.
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] |= 0xff000000u;
        }
        return image;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace PipeWireFrame
