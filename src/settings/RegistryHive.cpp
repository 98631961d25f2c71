#include "settings/RegistryHive.h"

namespace {

constexpr int kHexLineWidth = 76;

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

// Reads a quoted text starting at pos (which holds the opening quote); pos ends
// just past the closing quote. Only \\ and \" are escapes, as the export writes.
std::optional<QString> unquote(const QString &line, int &pos)
{
    if (pos >= line.size() || line[pos] != u'"')
        return std::nullopt;
    QString out;
    for (int i = pos + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            pos = i + 1;
            return out;
        }
        if (c == u'\\') {
            if (i + 1 >= line.size() || (line[i + 1] != u'\\' && line[i + 1] != u'"'))
                return std::nullopt;
            out += line[++i];
            continue;
        }
        out += c;
    }
    return std::nullopt; // no closing quote: the line was cut short
}

// Text that can be shown as "..." and read back to the very same bytes.
bool isPlainText(const QByteArray &data)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArray body = data.left(data.size() - 1);
    if (body.contains('\0'))
        return false;
    const QString text = QString::fromUtf8(body);
    if (text.toUtf8() != body)
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

// Bytes as "xx,xx,..." wrapped like an export: lines of at most 77 characters
// counting the name before them (lead), continued with a backslash.
QString hexValue(const QString &prefix, const QByteArray &data, qsizetype lead)
{
    QString out = prefix;
    qsizetype lineStart = -lead;
    for (int i = 0; i < data.size(); ++i) {
        const QString byte
            = QStringLiteral("%1").arg(static_cast<unsigned char>(data[i]), 2, 16, QLatin1Char('0'));
        const bool last = i + 1 == data.size();
        if (out.size() - lineStart + 3 > kHexLineWidth && !last) {
            out += QStringLiteral("\\\n  ");
            lineStart = out.size() - 2;
        }
        out += byte;
        if (!last)
            out += u',';
    }
    return out;
}

QString valueText(const RegistryValue &value, qsizetype lead)
{
    if (value.type == 1 && isPlainText(value.data))
        return quoted(QString::fromUtf8(value.data.left(value.data.size() - 1)));
    if (value.type == 4 && value.data.size() == 4) {
        const auto *b = reinterpret_cast<const unsigned char *>(value.data.constData());
        const quint32 v = quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
        return QStringLiteral("dword:%1").arg(v, 8, 16, QLatin1Char('0'));
    }
    if (value.type == 3)
        return hexValue(QStringLiteral("hex:"), value.data, lead);
    return hexValue(QStringLiteral("hex(%1):").arg(value.type, 0, 16), value.data, lead);
}

bool parseHexNumber(const QString &text, int maxDigits, quint32 &out)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    bool ok = false;
    out = text.toUInt(&ok, 16);
    return ok;
}

std::optional<QByteArray> parseBytes(const QString &list)
{
    QByteArray out;
    if (list.trimmed().isEmpty())
        return out;
    const QStringList tokens = list.split(u',');
    for (const QString &raw : tokens) {
        quint32 byte = 0;
        if (!parseHexNumber(raw.trimmed(), 2, byte))
            return std::nullopt;
        out.append(static_cast<char>(byte));
    }
    return out;
}

// One "name"=data line (continuations already joined): the name and the value;
// empty when any part of it is damaged.
std::optional<QPair<QString, RegistryValue>> parseValueLine(const QString &line)
{
    int pos = 0;
    QString name;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else {
        const auto n = unquote(line, pos);
        if (!n)
            return std::nullopt;
        name = *n;
    }
    if (pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    const QString data = line.mid(pos + 1);

    RegistryValue value;
    if (data.startsWith(u'"')) {
        int p = 0;
        const auto t = unquote(data, p);
        if (!t || !data.mid(p).trimmed().isEmpty())
            return std::nullopt;
        value.type = 1;
        value.data = t->toUtf8();
        value.data.append('\0');
    } else if (data.startsWith(QLatin1String("dword:"))) {
        quint32 v = 0;
        if (!parseHexNumber(data.mid(6).trimmed(), 8, v))
            return std::nullopt;
        value.type = 4;
        value.data.resize(4);
        for (int b = 0; b < 4; ++b)
            value.data[b] = static_cast<char>((v >> (8 * b)) & 0xff);
    } else if (data.startsWith(QLatin1String("hex"))) {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0)
            return std::nullopt;
        const QString kind = data.left(colon);
        if (kind == QLatin1String("hex")) {
            value.type = 3;
        } else if (kind.startsWith(QLatin1String("hex(")) && kind.endsWith(u')')) {
            quint32 type = 0;
            if (!parseHexNumber(kind.mid(4, kind.size() - 5), 8, type))
                return std::nullopt;
            value.type = type;
        } else {
            return std::nullopt;
        }
        const QString list = data.mid(colon + 1).trimmed();
        if (list.endsWith(u'\\'))
            return std::nullopt; // continuation cut off at the end
        const auto bytes = parseBytes(list);
        if (!bytes)
            return std::nullopt;
        value.data = *bytes;
    } else {
        return std::nullopt;
    }
    return QPair<QString, RegistryValue>(name, value);
}

} // namespace

RegistryHive::RegistryHive(const QString &hiveName)
    : m_hiveName(hiveName)
{
    m_keys.insert(QString(), Key {});
}

QString RegistryHive::folded(const QStringList &parts)
{
    return parts.join(u'\\').toCaseFolded();
}

RegistryHive::Key *RegistryHive::findKey(const QStringList &parts)
{
    auto it = m_keys.find(folded(parts));
    return it == m_keys.end() ? nullptr : &it.value();
}

const RegistryHive::Key *RegistryHive::findKey(const QStringList &parts) const
{
    auto it = m_keys.constFind(folded(parts));
    return it == m_keys.cend() ? nullptr : &it.value();
}

bool RegistryHive::hasValues() const
{
    for (const Key &key : m_keys) {
        if (!key.values.isEmpty())
            return true;
    }
    return false;
}

bool RegistryHive::createKey(const QStringList &parts)
{
    bool created = false;
    for (int n = 1; n <= parts.size(); ++n) {
        const QStringList prefix = parts.mid(0, n);
        const QString id = folded(prefix);
        if (!m_keys.contains(id)) {
            m_keys.insert(id, Key { prefix, {}, {} });
            created = true;
        }
    }
    return created;
}

std::optional<RegistryValue> RegistryHive::value(const QStringList &parts, const QString &name) const
{
    const Key *key = findKey(parts);
    if (!key)
        return std::nullopt;
    const auto it = key->byName.constFind(name.toCaseFolded());
    if (it == key->byName.cend())
        return std::nullopt;
    return key->values.at(it.value()).second;
}

bool RegistryHive::setValue(const QStringList &parts, const QString &name, const RegistryValue &value)
{
    bool changed = createKey(parts);
    Key *key = findKey(parts);
    const QString id = name.toCaseFolded();
    const auto it = key->byName.constFind(id);
    if (it != key->byName.cend()) {
        RegistryValue &stored = key->values[it.value()].second;
        if (stored == value)
            return changed;
        stored = value;
        return true;
    }
    key->byName.insert(id, key->values.size());
    key->values.append({ name, value });
    return true;
}

QByteArray RegistryHive::toText() const
{
    QString out = QStringLiteral("REGEDIT4\n");
    for (const Key &key : m_keys) {
        if (key.parts.isEmpty() && key.values.isEmpty())
            continue;
        out += QStringLiteral("\n[") + m_hiveName;
        for (const QString &part : key.parts)
            out += u'\\' + part;
        out += QStringLiteral("]\n");
        for (const auto &entry : key.values) {
            const QString name = (entry.first.isEmpty() ? QStringLiteral("@") : quoted(entry.first)) + u'=';
            out += name + valueText(entry.second, name.size()) + u'\n';
        }
    }
    return out.toUtf8();
}

std::optional<RegistryHive> RegistryHive::parse(const QByteArray &text, const QString &hiveName)
{
    Reading reading = read(text, hiveName);
    if (reading.damaged)
        return std::nullopt;
    return std::move(reading.hive);
}

RegistryHive::Reading RegistryHive::read(const QByteArray &text, const QString &hiveName)
{
    Reading reading { RegistryHive(hiveName), false };
    RegistryHive &hive = reading.hive;
    bool &damaged = reading.damaged;

    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // Line by line, so that one Latin-1 letter typed by hand costs nothing
    // but its own line's decoding.
    QStringList lines;
    for (QByteArray &line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line.isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line));
    }

    bool headerSeen = false;
    Key *current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line == QLatin1String("REGEDIT4")
                || line == QLatin1String("Windows Registry Editor Version 5.00"))
                continue;
            damaged = true; // no header: read on, keeping what is recognisable
        }
        if (line.startsWith(u'[')) {
            current = nullptr;
            if (!line.endsWith(u']') || line.size() < 2) {
                damaged = true;
                continue;
            }
            const QString path = line.mid(1, line.size() - 2);
            QStringList parts = path.split(u'\\');
            if (parts.isEmpty() || parts.front().compare(hiveName, Qt::CaseInsensitive) != 0) {
                damaged = true;
                continue;
            }
            parts.removeFirst();
            if (parts.contains(QString())) {
                damaged = true;
                continue;
            }
            hive.createKey(parts);
            current = hive.findKey(parts);
            continue;
        }

        // A value line; a hex list continues on the lines that follow.
        QString entry = lines[i].trimmed();
        while (entry.endsWith(u'\\') && i + 1 < lines.size()) {
            entry.chop(1);
            entry += lines[++i].trimmed();
        }
        if (!current) {
            damaged = true; // outside any section, or below one that could not be read
            continue;
        }
        const auto parsed = parseValueLine(entry);
        if (!parsed) {
            damaged = true;
            continue;
        }
        const QString id = parsed->first.toCaseFolded();
        const auto known = current->byName.constFind(id);
        if (known != current->byName.cend()) {
            current->values[known.value()].second = parsed->second;
        } else {
            current->byName.insert(id, current->values.size());
            current->values.append(*parsed);
        }
    }
    return reading;
}
