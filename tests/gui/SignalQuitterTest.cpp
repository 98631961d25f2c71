#include "gui/SignalQuitter.h"

#include <csignal>

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "settings/SettingsController.h"

namespace {

QString storedTitle()
{
    FakePrompter quiet;
    Settings stored;
    SettingsController reader(stored, quiet);
    reader.readSettings();
    return stored.mainTitle;
}

// Runs the event loop until the quitter ends it; false when it ended another
// way. The timer is only a safety net for a handler that never fires; no time
// is measured.
bool loopEndsBySignal()
{
    bool timedOut = false;
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    safety.start(30000);
    return QCoreApplication::exec() == 0 && !timedOut;
}

} // namespace

TEST(SignalQuitter, EachEndingSignalSavesTheSettingsAndEndsTheEventLoop)
{
    TestHome home;
    FakePrompter prompter;
    Settings settings;
    SettingsController controller(settings, prompter);

    for (int signalNumber : { SIGTERM, SIGINT, SIGHUP }) {
        settings.mainTitle = QStringLiteral("Title %1").arg(signalNumber);
        int saves = 0;
        int heard = 0;
        SignalQuitter quitter([&] {
            ++saves;
            controller.saveSettings();
        });
        ASSERT_TRUE(quitter.isInstalled());
        QObject::connect(&quitter, &SignalQuitter::signalled, [&](int number) { heard = number; });

        // Two signals in a row save once.
        QTimer::singleShot(0, [signalNumber] {
            std::raise(signalNumber);
            std::raise(signalNumber);
        });
        EXPECT_TRUE(loopEndsBySignal()) << signalNumber;
        EXPECT_EQ(heard, signalNumber);
        EXPECT_EQ(saves, 1);
        EXPECT_EQ(storedTitle(), settings.mainTitle);
    }
}

TEST(SignalQuitter, OnlyOneAtATimeAndTheOldHandlerComesBack)
{
    {
        SignalQuitter first([] {});
        ASSERT_TRUE(first.isInstalled());
        const SignalQuitter second([] {});
        EXPECT_FALSE(second.isInstalled());
    }
    struct sigaction now = {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// A signal that comes while a build runs inside the event loop stops the
// build first; the settings are saved, and the program quits, only once the
// build has unwound, never underneath it.
TEST(SignalQuitter, RunningWorkIsStoppedAndEndsBeforeTheSave)
{
    TestHome home;
    QStringList order;
    bool stopRequested = false;
    bool working = false;
    SignalQuitter quitter([&] { order << QStringLiteral("save"); });
    quitter.setWork(
        [&] {
            order << QStringLiteral("stop");
            stopRequested = true;
        },
        [&] { return working; });
    // The work lets events through while it runs, as a build does.
    QTimer::singleShot(0, [&] {
        working = true;
        std::raise(SIGTERM);
        while (!stopRequested)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // Winding down also lets events through; the save must wait.
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        order << QStringLiteral("work ended");
        working = false;
    });
    EXPECT_TRUE(loopEndsBySignal());
    EXPECT_EQ(order,
        (QStringList { QStringLiteral("stop"), QStringLiteral("work ended"), QStringLiteral("save") }));
}
