#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/ProgramInfo.h"
#include "cli/CommandLine.h"
#include "cli/ConsolePrompter.h"
#include "gui/MainWindow.h"
#include "gui/ShowFatalError.h"
#include "gui/SignalQuitter.h"

namespace {
void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', stream);
    std::fflush(stream);
}

// Every still of a build allocates the same few buffers of one to a few
// megabytes (the decoded photo, the resampled picture, the frame). By default
// glibc hands such blocks back to the system on free and the next still pays
// for faulting fresh zeroed pages in again: about a tenth of the rendering
// time. Keeping blocks below 32 MB on the heap lets stills reuse the pages; a
// full-size decode of a large photo is still given back at once.
void keepStillBuffersMapped()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

void nameApplication()
{
    QCoreApplication::setApplicationName(ProgramInfo::productName());
    QCoreApplication::setApplicationVersion(ProgramInfo::version());
}
} // namespace

int main(int argc, char *argv[])
{
    keepStillBuffersMapped();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Parsed before any application object exists: a subcommand must choose
    // the offscreen platform first.
    const CommandLine::Parsed parsed = CommandLine::parse(arguments, QDir::currentPath());
    switch (parsed.action) {
    case CommandLine::Action::Help:
        print(stdout, CommandLine::usage());
        return 0;
    case CommandLine::Action::Version:
        print(stdout, ProgramInfo::productName() + u' ' + ProgramInfo::version());
        return 0;
    case CommandLine::Action::Error:
        print(stderr, parsed.error);
        return CommandLine::UsageExitCode;
    case CommandLine::Action::Run: {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        nameApplication();
        ConsolePrompter prompter(parsed.options.yes);
        return CommandLine::execute(parsed.options, prompter);
    }
    case CommandLine::Action::Window:
        break;
    }

    QApplication app(argc, argv);
    nameApplication();
    installFatalErrorBox();

    MainWindow window;
    if (!window.start())
        return CommandLine::SetupIncompleteExitCode;
    // A logout or a kill ends the program as closing the window does: the
    // settings are saved first.
    SignalQuitter quitter([&window] { window.unload(); });
    // A build running then is cancelled first and ends as a cancel does.
    quitter.setWork(
        [&window] { window.buildDriver().stop(); }, [&window] { return window.buildDriver().isBuilding(); });
    window.show();
    return app.exec();
}
