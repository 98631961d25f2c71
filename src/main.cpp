#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/ProgramInfo.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
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

// Qt wants a private runtime folder and, finding XDG_RUNTIME_DIR unset (a
// cron job, ssh, a container), makes one itself with a warning on every run.
// The same folder, made quietly, keeps the output of a headless run clean.
void provideRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray folder
        = QFile::encodeName(QDir::tempPath()) + "/runtime-" + QByteArray::number(getuid());
    ::mkdir(folder.constData(), 0700);
    struct stat info
    {
    };
    if (::stat(folder.constData(), &info) != 0 || info.st_uid != getuid() || !S_ISDIR(info.st_mode))
        return;
    if ((info.st_mode & 0777) != 0700 && ::chmod(folder.constData(), 0700) != 0)
        return;
    qputenv("XDG_RUNTIME_DIR", folder);
}

// The window needs a display server; without one Qt would abort. The
// offscreen or any other platform chosen on purpose is left to Qt.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
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
        provideRuntimeFolder();
        QGuiApplication app(argc, argv);
        nameApplication();
        ConsolePrompter prompter(parsed.options.yes);
        return CommandLine::execute(parsed.options, prompter);
    }
    case CommandLine::Action::Window:
        break;
    }

    if (!hasDisplay()) {
        print(stderr, localText(TextId::MsgNoDisplay));
        print(stderr, CommandLine::usage());
        return CommandLine::UsageExitCode;
    }
    provideRuntimeFolder();
    QApplication app(argc, argv);
    nameApplication();
    installFatalErrorBox();

    MainWindow window;
    if (parsed.options.source)
        window.setStartAlbum(*parsed.options.source);
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
