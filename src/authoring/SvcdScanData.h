#pragma once

#include <QByteArray>
#include <QString>

// mpeg2enc writes no scan information into SVCD still streams (format 7), and
// vcdxbuild warns about every MPEG-2 stream without it. The scan information
// is a user-data block of the I picture: tag 0x10, length 14, and three
// placeholder offsets that the image builder fills in. Adding it to a still
// gives the stream the form of an SVCD video stream's I picture.
class SvcdScanData
{
public:
    // The stream with the scan information block placed after the header and
    // extensions of each picture that has none yet (before its first slice).
    // Text that holds no picture comes back unchanged.
    static QByteArray withScanData(const QByteArray &stream);

    // Rewrites the elementary stream file in place. False when it cannot be
    // read or written (the file is then as it was).
    static bool addTo(const QString &streamPath);
};
