#pragma once

#include <QByteArrayView>
#include <QImage>

// Encodes frames as baseline JPEG (4:2:0) through TurboJPEG, straight from the 32-bit pixels a
// display is read in. The compressor and its output buffer are kept from one capture to the next,
// so a cycle allocates nothing large; release() gives the buffer back when capturing stops.
// Used by one thread at a time.
class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

    // The JPEG of the image at the quality (1-100), valid until the next encode() or release();
    // empty on failure. 32-bit RGB images are read in place, other formats are converted first.
    QByteArrayView encode(const QImage &image, int quality);

    void release();

private:
    void *m_handle = nullptr;
    unsigned char *m_buffer = nullptr;
    unsigned long m_capacity = 0;
};
