#include "imaging/JpegHead.h"

#include <QIODevice>

namespace {

bool readByte(QIODevice &device, unsigned char &byte)
{
    char c;
    if (!device.getChar(&c))
        return false;
    byte = static_cast<unsigned char>(c);
    return true;
}

bool isFrameHeader(unsigned char marker)
{
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

} // namespace

bool JpegHead::read(QIODevice &device)
{
    m_width = m_height = 0;
    m_exif.clear();

    unsigned char b0 = 0;
    unsigned char b1 = 0;
    if (!readByte(device, b0) || !readByte(device, b1) || b0 != 0xFF || b1 != 0xD8)
        return false;

    for (;;) {
        unsigned char byte = 0;
        if (!readByte(device, byte))
            return false;
        if (byte != 0xFF)
            return false; // markers must follow one another before the scan
        unsigned char marker = 0xFF;
        while (marker == 0xFF) // fill bytes
            if (!readByte(device, marker))
                return false;
        if (marker == 0xDA || marker == 0xD9) // start of scan / end of image: the head is over
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // stand-alone markers carry no length

        unsigned char hi = 0;
        unsigned char lo = 0;
        if (!readByte(device, hi) || !readByte(device, lo))
            return false;
        const int length = (hi << 8 | lo) - 2;
        if (length < 0)
            return false;

        if (marker == 0xE1 && m_exif.isEmpty()) {
            const QByteArray payload = device.read(length);
            if (payload.size() != length)
                return false;
            if (payload.startsWith(QByteArray("Exif\0\0", 6)))
                m_exif = payload;
        } else if (isFrameHeader(marker) && m_width == 0) {
            const QByteArray payload = device.read(length);
            if (payload.size() != length || length < 5)
                return false;
            const auto at = [&payload](int i) { return static_cast<unsigned char>(payload[i]); };
            m_height = at(1) << 8 | at(2);
            m_width = at(3) << 8 | at(4);
        } else if (device.skip(length) != length) {
            return false;
        }
    }
}
