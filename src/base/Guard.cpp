#include "base/Guard.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "base/FatalError.h"
#include "base/KelvaraError.h"

namespace {
Guard::FatalHandler &installedHandler()
{
    static Guard::FatalHandler handler;
    return handler;
}
} // namespace

bool Guard::run(const QString &procedure, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const KelvaraError &error) {
        fail(procedure, error.number(), error.description());
    } catch (const std::bad_alloc &) {
        fail(procedure, 7, QStringLiteral("Out of memory"));
    } catch (const std::exception &error) {
        fail(procedure, 51, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()));
    }
    return false;
}

Guard::FatalHandler Guard::setFatalHandler(FatalHandler handler)
{
    FatalHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

void Guard::fail(const QString &procedure, int number, const QString &description)
{
    const FatalHandler &handler = installedHandler();
    if (handler)
        handler(procedure, number, description);
    else
        consoleFatalHandler(procedure, number, description);
}

void Guard::consoleFatalHandler(const QString &procedure, int number, const QString &description)
{
    // The box's LF CR line break would leave a stray CR in captured logs.
    QString text = FatalError::text(procedure, number, description);
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    const QByteArray line = (FatalError::title() + QLatin1String(": ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    endProcess(FatalExitCode);
}

void Guard::endProcess(int exitCode)
{
    // _Exit skips destructors and atexit handlers, so nothing gets saved on
    // the way out; only what is already written stays.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}
