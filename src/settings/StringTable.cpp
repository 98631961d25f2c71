#include "settings/StringTable.h"

#include <QFile>
#include <QStringList>

namespace {
const char *const kLanguageFiles[] = {"en", "nl", "de", "pt", "it", "fr"};

QString unescape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
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
    int offset = 0;
    for (const char *code : kLanguageFiles) {
        QFile file(QStringLiteral(":/strings/") + QLatin1String(code) + QStringLiteral(".txt"));
        if (file.open(QIODevice::ReadOnly))
            load(QString::fromUtf8(file.readAll()), offset);
        offset += 10000;
    }
}

void StringTable::load(const QString &fileText, int offset)
{
    const QStringList lines = fileText.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const int tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            m_texts.insert(offset + id, unescape(line.mid(tab + 1)));
    }
}

QString LocalText(int id)
{
    const StringTable &table = StringTable::instance();
    const QString local = table.entry(table.languageOffset() + id);
    if (!local.isEmpty())
        return local;
    return table.entry(id);
}
