#include "cli/ConsoleLine.h"

#include <QFile>

namespace ConsoleLine {

void print(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0))
            out += QLatin1String("\\x") + QString::number(u, 16).rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

void printPath(const QString &path, bool nulTerminated)
{
    if (!nulTerminated) {
        print(stdout, escaped(path));
        return;
    }
    const QByteArray bytes = QFile::encodeName(path);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\0', stdout);
    std::fflush(stdout);
}

int fail(const char *command, const QString &reason)
{
    print(stderr, QLatin1String("kelvara ") + QLatin1String(command) + QLatin1String(": ") + reason);
    return 1;
}

} // namespace ConsoleLine
