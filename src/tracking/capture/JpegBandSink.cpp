#include "tracking/capture/JpegBandSink.h"

#include "tracking/capture/JpegEncoder.h"
#include "tracking/capture/ScreenCaptureService.h"

#include <cstring>
#include <utility>

JpegBandSink::JpegBandSink(JpegEncoder &encoder, int maxDimension, int quality)
    : m_encoder(encoder)
    , m_maxDimension(maxDimension)
    , m_quality(quality)
{}

void JpegBandSink::beginFrame(const QSize &size)
{
    m_frameSize = size;
    m_encodedSize =
        ScreenCaptureService::cappedCaptureSize(size.width(), size.height(), m_maxDimension);
    m_rows = 0;
    m_scaled = QImage();
    // A frame of another size is not gathered into the kept one.
    if (m_gathered.size() != size)
        m_gathered = QImage();
    m_failed = size.isEmpty();
    if (m_failed)
        return;
    if (!isScaling()) {
        m_failed = !m_encoder.begin(size, m_quality);
        return;
    }
}

void JpegBandSink::takeBand(const QImage &band)
{
    if (m_failed)
        return;
    if (band.width() != m_frameSize.width() || m_rows + band.height() > m_frameSize.height()) {
        m_failed = true;
        return;
    }
    m_rows += band.height();
    if (!isScaling()) {
        m_failed = !m_encoder.addRows(band);
        return;
    }
    if (band.height() == m_frameSize.height()) {
        // The whole frame in one band: scaled at once, with no copy gathered.
        m_scaled = band.scaled(m_encodedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_failed = m_scaled.isNull();
        return;
    }
    if (m_gathered.isNull()) {
        m_gathered = QImage(m_frameSize, QImage::Format_RGB32);
        m_failed = m_gathered.isNull();
        if (m_failed)
            return;
    }
    const QImage pixels =
        band.format() == QImage::Format_RGB32 ? band : band.convertToFormat(QImage::Format_RGB32);
    const auto lineBytes = static_cast<size_t>(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y) {
        std::memcpy(m_gathered.scanLine(m_rows - pixels.height() + y), pixels.constScanLine(y),
                    lineBytes);
    }
}

QByteArrayView JpegBandSink::finish()
{
    if (m_failed || m_frameSize.isEmpty() || m_rows != m_frameSize.height())
        return {};
    if (!isScaling())
        return m_encoder.finish();
    if (m_scaled.isNull()) {
        m_scaled =
            m_gathered.scaled(m_encodedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage scaled = std::exchange(m_scaled, QImage());
    return m_encoder.encode(scaled, m_quality);
}

void JpegBandSink::release()
{
    m_gathered = QImage();
    m_scaled = QImage();
}
