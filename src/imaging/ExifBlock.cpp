#include "imaging/ExifBlock.h"

#include <QStringList>

#include <algorithm>

#include <libexif/exif-data.h>
#include <libexif/exif-entry.h>
#include <libexif/exif-utils.h>

ExifBlock::ExifBlock(const QByteArray &app1Payload)
{
    if (app1Payload.isEmpty())
        return;
    m_data = exif_data_new();
    if (!m_data)
        return;
    // Read what the file holds: no defaults added for missing mandatory tags,
    // and tags unknown to libexif are kept.
    exif_data_unset_option(m_data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(m_data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(m_data, reinterpret_cast<const unsigned char *>(app1Payload.constData()),
        static_cast<unsigned int>(app1Payload.size()));
}

ExifBlock::~ExifBlock()
{
    if (m_data)
        exif_data_unref(m_data);
}

bool ExifBlock::isValid() const
{
    if (!m_data)
        return false;
    for (int i = 0; i < EXIF_IFD_COUNT; ++i)
        if (m_data->ifd[i] && m_data->ifd[i]->count > 0)
            return true;
    return false;
}

QString ExifBlock::tagText(int tag) const
{
    if (!m_data || tag < 0 || tag > 0xFFFF)
        return {};
    ExifEntry *entry = exif_data_get_entry(m_data, static_cast<ExifTag>(tag));
    if (!entry || !entry->data || entry->size == 0)
        return {};

    const ExifByteOrder order = exif_data_get_byte_order(m_data);
    const unsigned int size = entry->size;
    const unsigned int itemSize = exif_format_get_size(entry->format);

    switch (entry->format) {
    case EXIF_FORMAT_ASCII: {
        QByteArray bytes(reinterpret_cast<const char *>(entry->data), static_cast<qsizetype>(size));
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        const QString text = QString::fromUtf8(bytes);
        // Not UTF-8 (older cameras write Latin-1 descriptions): take the bytes as they are.
        return text.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(bytes) : text;
    }
    case EXIF_FORMAT_BYTE:
    case EXIF_FORMAT_SBYTE:
    case EXIF_FORMAT_SHORT:
    case EXIF_FORMAT_SSHORT:
    case EXIF_FORMAT_LONG:
    case EXIF_FORMAT_SLONG: {
        QStringList values;
        const unsigned int count = std::min<unsigned long>(entry->components, itemSize ? size / itemSize : 0);
        for (unsigned int i = 0; i < count; ++i) {
            const unsigned char *p = entry->data + i * itemSize;
            qint64 v = 0;
            switch (entry->format) {
            case EXIF_FORMAT_BYTE:
                v = *p;
                break;
            case EXIF_FORMAT_SBYTE:
                v = static_cast<signed char>(*p);
                break;
            case EXIF_FORMAT_SHORT:
                v = exif_get_short(p, order);
                break;
            case EXIF_FORMAT_SSHORT:
                v = exif_get_sshort(p, order);
                break;
            case EXIF_FORMAT_LONG:
                v = exif_get_long(p, order);
                break;
            default:
                v = exif_get_slong(p, order);
                break;
            }
            values << QString::number(v);
        }
        return values.join(QStringLiteral(", "));
    }
    default: {
        // Fractions and undefined blocks: libexif's own rendering.
        char buffer[1024] = {};
        exif_entry_get_value(entry, buffer, sizeof buffer);
        return QString::fromUtf8(buffer).trimmed();
    }
    }
}

int ExifBlock::orientation() const
{
    if (!m_data || !m_data->ifd[EXIF_IFD_0])
        return 1;
    ExifEntry *entry = exif_content_get_entry(m_data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || !entry->data || entry->size < 2 || entry->format != EXIF_FORMAT_SHORT)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(m_data));
    return value >= 1 && value <= 8 ? value : 1;
}
