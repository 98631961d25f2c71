#include "cli/ConsoleLine.h"

namespace ConsoleLine {

void print(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int fail(const char *command, const QString &reason)
{
    print(stderr, QLatin1String("kelvara ") + QLatin1String(command) + QLatin1String(": ") + reason);
    return 1;
}

} // namespace ConsoleLine
