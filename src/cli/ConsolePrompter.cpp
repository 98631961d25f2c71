#include "cli/ConsolePrompter.h"

#include <cstdio>

namespace {
void printBox(const QString &title, const QString &text)
{
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray line = (title.isEmpty() ? flat : title + QLatin1String(": ") + flat).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}
} // namespace

ConsolePrompter::ConsolePrompter(bool assumeYes)
    : m_assumeYes(assumeYes)
{ }

void ConsolePrompter::inform(const QString &title, const QString &text, Icon)
{
    printBox(title, text);
}

bool ConsolePrompter::askYesNo(const QString &title, const QString &text, Icon, bool defaultYes)
{
    const bool answer = m_assumeYes || defaultYes;
    printBox(title, text + (answer ? QLatin1String(" [Yes]") : QLatin1String(" [No]")));
    return answer;
}

bool ConsolePrompter::askOkCancel(const QString &title, const QString &text, Icon)
{
    printBox(title, text + QLatin1String(" [OK]"));
    return true;
}
