#include "base/StringTable.h"

#include <algorithm>

#include <QFile>
#include <QStringList>

namespace {
const char *const kLanguageFiles[StringTable::LanguageCount] = { "en", "nl", "de", "pt", "it", "fr" };

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        if (n == u'n')
            out += u'\n';
        else if (n == u'r')
            out += u'\r';
        else if (n == u't')
            out += u'\t';
        else
            out += n;
    }
    return out;
}
} // namespace

StringTable &StringTable::instance()
{
    static StringTable table;
    return table;
}

StringTable::StringTable()
{
    Q_INIT_RESOURCE(strings);
    for (int index = 0; index < LanguageCount; ++index) {
        QFile file(QStringLiteral(":/strings/") + languageCode(index) + QStringLiteral(".txt"));
        if (file.open(QIODevice::ReadOnly))
            load(QString::fromUtf8(file.readAll()), index * LanguageStride);
    }
}

QString StringTable::languageCode(int index)
{
    if (index < 0 || index >= LanguageCount)
        return {};
    return QLatin1String(kLanguageFiles[index]);
}

QHash<int, QString> StringTable::parse(const QString &fileText)
{
    QHash<int, QString> texts;
    QStringView all(fileText);
    // An editor may have saved the file with a byte order mark; it would hide the first id.
    if (all.startsWith(QChar(0xFEFF)))
        all = all.mid(1);
    for (QStringView line : all.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        // Ids live below the stride; a larger one would land in another language's block.
        if (ok && id > 0 && id < LanguageStride)
            texts.insert(id, unescape(line.mid(tab + 1)));
    }
    return texts;
}

void StringTable::load(const QString &fileText, int offset)
{
    const QHash<int, QString> texts = parse(fileText);
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        m_texts.insert(offset + it.key(), it.value());
}

QList<int> StringTable::ids(int offset) const
{
    QList<int> result;
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it) {
        const int id = it.key() - offset;
        if (id > 0 && id < LanguageStride && !it.value().isEmpty())
            result.append(id);
    }
    std::sort(result.begin(), result.end());
    return result;
}

QString localText(int id)
{
    // A full id (offset included) must not reach into another language's block.
    if (id <= 0 || id >= StringTable::LanguageStride)
        return {};
    const StringTable &table = StringTable::instance();
    const QString local = table.entry(table.languageOffset() + id);
    if (!local.isEmpty())
        return local;
    return table.entry(id);
}
