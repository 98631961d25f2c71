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

bool RegistryHive::createKey(const QStringList &parts)
{
    bool created = false;
    for (int n = 1; n <= parts.size(); ++n) {
        const QStringList prefix = parts.mid(0, n);
        const QString id = folded(prefix);
        if (!m_keys.contains(id)) {
            m_keys.insert(id, Key { prefix, {} });
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
    for (const auto &entry : key->values) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return std::nullopt;
}

bool RegistryHive::setValue(const QStringList &parts, const QString &name, const RegistryValue &value)
{
    bool changed = createKey(parts);
    Key *key = findKey(parts);
    for (auto &entry : key->values) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            if (entry.second == value)
                return changed;
            entry.second = value;
            return true;
        }
    }
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
    RegistryHive hive(hiveName);
    QByteArray bytes = text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes)
        return std::nullopt; // not UTF-8: not ours

    QStringList lines = decoded.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }

    bool headerSeen = false;
    Key *current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (line != QLatin1String("REGEDIT4")
                && line != QLatin1String("Windows Registry Editor Version 5.00"))
                return std::nullopt;
            headerSeen = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 2)
                return std::nullopt;
            const QString path = line.mid(1, line.size() - 2);
            QStringList parts = path.split(u'\\');
            if (parts.isEmpty() || parts.front().compare(hiveName, Qt::CaseInsensitive) != 0)
                return std::nullopt;
            parts.removeFirst();
            if (parts.contains(QString()))
                return std::nullopt;
            hive.createKey(parts);
            current = hive.findKey(parts);
            continue;
        }
        if (!current)
            return std::nullopt;

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
        ++pos;
        const QString data = line.mid(pos);

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
            int colon = data.indexOf(u':');
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
            QString list = data.mid(colon + 1).trimmed();
            while (list.endsWith(u'\\')) {
                list.chop(1);
                if (++i >= lines.size())
                    return std::nullopt; // continuation cut off at the end
                list += lines[i].trimmed();
            }
            const auto bytesOpt = parseBytes(list);
            if (!bytesOpt)
                return std::nullopt;
            value.data = *bytesOpt;
        } else {
            return std::nullopt;
        }

        bool replaced = false;
        for (auto &entry : current->values) {
            if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
                entry.second = value;
                replaced = true;
            }
        }
        if (!replaced)
            current->values.append({ name, value });
    }
    return hive;
}
