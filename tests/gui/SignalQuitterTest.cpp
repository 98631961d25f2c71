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
        // Only a safety net for a handler that never fires; no time is measured.
        bool timedOut = false;
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        safety.start(30000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << signalNumber;
        EXPECT_FALSE(timedOut);
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
