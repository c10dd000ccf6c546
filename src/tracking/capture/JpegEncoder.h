#pragma once

#include <QByteArrayView>
#include <QImage>

#include <memory>

// Encodes frames as baseline JPEG (4:2:0) through libjpeg-turbo, straight from the 32-bit pixels a
// display is read in. A frame can be given whole (encode()) or band by band as it is read
// (begin(), addRows(), finish()), so the whole frame need never be held. The compressor and its
// output buffer are kept from one capture to the next, so a cycle allocates nothing large;
// release() gives the buffer back when capturing stops. Used by one thread at a time.
class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

    // The JPEG of the image at the quality (1-100), valid until the next encoding or release();
    // empty on failure. 32-bit RGB images are read in place, other formats are converted first.
    QByteArrayView encode(const QImage &image, int quality);

    // Starts a frame of the size; its rows follow through addRows(), top to bottom, as wide as
    // the frame. A frame begun before is dropped.
    bool begin(const QSize &size, int quality);
    // The next rows of the frame (at most as many as it has left). False once the frame failed.
    bool addRows(const QImage &rows);
    // The JPEG once every row is in, valid until the next encoding or release(); empty when rows
    // are missing or the encoding failed.
    QByteArrayView finish();

    void release();

    // libjpeg's state and the kept output buffer; named here only for the encoder's own helpers.
    struct Compressor;

private:
    bool writeRows(const uchar *pixels, qsizetype bytesPerLine, int rows);
    void abandonFrame();

    std::unique_ptr<Compressor> m_compressor;
    bool m_inFrame = false;
};
