#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <QByteArrayView>
#include <QImage>
#include <QSize>

class JpegEncoder;

// Encodes a display as its bands are read. A display within the size limit goes band by band
// straight into the JPEG, so no whole frame is held; a larger one is gathered into a frame, kept
// for the next capture of that size until release(), and scaled down first.
class JpegBandSink final : public DisplayBandSink
{
public:
    JpegBandSink(JpegEncoder &encoder, int maxDimension, int quality);

    void beginFrame(const QSize &size) override;
    void takeBand(const QImage &band) override;

    // The JPEG once every band is in, valid until the encoder's next frame; empty when bands are
    // missing or encoding failed.
    QByteArrayView finish();
    // The size the JPEG has (the frame's, scaled down to the limit).
    QSize encodedSize() const { return m_encodedSize; }

    // Gives back the frame kept for gathering.
    void release();

private:
    bool isScaling() const { return m_encodedSize != m_frameSize; }

    JpegEncoder &m_encoder;
    const int m_maxDimension;
    const int m_quality;
    QSize m_frameSize;
    QSize m_encodedSize;
    // Where the frame is scaled: the bands gathered, then the frame scaled down.
    QImage m_gathered;
    QImage m_scaled;
    int m_rows = 0;
    bool m_failed = false;
};
