#pragma once

#include <QByteArray>
#include <QString>

struct _ExifData;

// The EXIF data of one picture, parsed by libexif from an APP1 payload
// ("Exif\0\0" followed by the TIFF structure).
class ExifBlock
{
public:
    explicit ExifBlock(const QByteArray &app1Payload);
    ~ExifBlock();
    ExifBlock(const ExifBlock &) = delete;
    ExifBlock &operator=(const ExifBlock &) = delete;

    // True when the payload held at least one readable tag.
    bool isValid() const;

    // The tag's value as text, searched in IFD0, the EXIF, interoperability,
    // GPS and thumbnail IFDs in that order. Text tags come back as stored
    // (dates in the 19-character form "YYYY:MM:DD HH:MM:SS"), whole numbers
    // in decimal, separated by ", " when there are several. Empty when missing.
    QString tagText(int tag) const;

    // The orientation of the main image (tag 274 of IFD0), 1..8; 1 when missing
    // or out of range.
    int orientation() const;

private:
    _ExifData *m_data = nullptr;
};
