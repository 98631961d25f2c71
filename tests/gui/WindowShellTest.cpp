#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "FakePrompter.h"
#include "TestHome.h"
#include "base/FatalError.h"
#include "base/Guard.h"
#include "base/ProgramFolder.h"
#include "base/StartupCheck.h"
#include "gui/AboutDialog.h"
#include "gui/MainWindow.h"
#include "gui/SplashScreen.h"
#include "settings/SettingsController.h"

using namespace AppTestSupport;

namespace {
QString plain(QString text)
{
    return text.remove(u'&');
}

QAction *menuAction(QMainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}
} // namespace

TEST(Splash, ClosesOnTheHundredthTick)
{
    SplashScreen splash;
    splash.show();
    for (int i = 0; i < SplashScreen::TickLimit - 1; ++i)
        splash.onTimerTimeout();
    EXPECT_TRUE(splash.isVisible());
    splash.onTimerTimeout();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(splash.ticks(), 100);
    EXPECT_EQ(splash.result(), QDialog::Accepted);
}

TEST(Splash, ClosesOnAKeyOrAClickOnItsPicture)
{
    SplashScreen byKey;
    byKey.show();
    QTest::keyClick(&byKey, Qt::Key_Space);
    EXPECT_FALSE(byKey.isVisible());

    SplashScreen byClick;
    byClick.show();
    auto *picture = byClick.findChild<QLabel *>(QStringLiteral("picSplash"));
    ASSERT_NE(picture, nullptr);
    ASSERT_FALSE(picture->pixmap().isNull());
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_FALSE(byClick.isVisible());
    EXPECT_TRUE(byClick.isModal());
}

TEST(About, ShowsVersionAndClosesOnOk)
{
    AboutDialog about;
    about.show();
    EXPECT_EQ(about.versionText(), QLatin1String("Version 1.0.0"));
    EXPECT_FALSE(about.isModal());
    auto *ok = about.findChild<QPushButton *>(QStringLiteral("cmdOK"));
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}

TEST(MainWindowShell, CaptionMenusAndVersionAfterStart)
{
    TestHome home;
    KeepCurrentDir keep;
    EmptyPath noPath;
    installFakeTools(home.path(), StartupCheck::requiredTools());
    FakePrompter prompter;
    MainWindow window(&prompter);
    window.setSplashEnabled(false);

    EXPECT_EQ(window.windowTitle(), QLatin1String("Kelvara"));
    const QList<QAction *> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(plain(menus[0]->text()), QLatin1String("File"));
    EXPECT_EQ(plain(menus[1]->text()), QLatin1String("Edit"));
    EXPECT_EQ(plain(menus[2]->text()), QLatin1String("Help"));
    ASSERT_NE(menuAction(window, "mnuExit"), nullptr);
    EXPECT_EQ(plain(menuAction(window, "mnuExit")->text()), QLatin1String("Exit"));
    ASSERT_NE(menuAction(window, "mnuAbout"), nullptr);
    EXPECT_EQ(plain(menuAction(window, "mnuAbout")->text()), QLatin1String("About"));

    ASSERT_TRUE(window.start());
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_EQ(
        window.findChild<QLabel *>(QStringLiteral("labVersion"))->text(), QLatin1String("Version: 1.0.0"));
    EXPECT_EQ(crlfLines(home.file(QStringLiteral("kelvara.log"))).size(), 3);
}

TEST(MainWindowShell, MissingToolEndsBeforeTheWindowShows)
{
    TestHome home;
    KeepCurrentDir keep;
    EmptyPath noPath;
    installFakeTools(home.path(), { QStringLiteral("jpeg2yuv") });
    FakePrompter prompter;
    MainWindow window(&prompter);
    window.setSplashEnabled(false);

    EXPECT_FALSE(window.start());
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].title, QLatin1String("Setup incomplete"));
    EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowShell, AboutIsModelessAndExitUnloadsOnce)
{
    TestHome home;
    KeepCurrentDir keep;
    installFakeTools(home.path(), StartupCheck::requiredTools());
    FakePrompter prompter;
    MainWindow window(&prompter);
    window.setSplashEnabled(false);
    int ends = 0;
    window.setEndProgram([&] { ++ends; });
    ASSERT_TRUE(window.start());
    window.show();

    menuAction(window, "mnuAbout")->trigger();
    ASSERT_NE(window.aboutWindow(), nullptr);
    EXPECT_TRUE(window.aboutWindow()->isVisible());
    EXPECT_FALSE(window.aboutWindow()->isModal());

    menuAction(window, "mnuExit")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(ends, 1);
    window.close();
    EXPECT_EQ(ends, 1);
}

TEST(MainWindowShell, UnexpectedErrorDuringInitialisationNamesIt)
{
    TestHome home;
    KeepCurrentDir keep;
    QString reported;
    const Guard::FatalHandler previous
        = Guard::setFatalHandler([&](const QString &procedure, int number, const QString &description) {
              reported = FatalError::text(procedure, number, description);
          });
    qputenv("KELVARA_HOME", QFile::encodeName(home.file(QStringLiteral("missing"))));
    ProgramFolder::reset();

    FakePrompter prompter;
    MainWindow window(&prompter);
    window.setSplashEnabled(false);
    EXPECT_FALSE(window.start());
    Guard::setFatalHandler(previous);

    EXPECT_TRUE(reported.contains(QLatin1String("\n\rSub Form_Initialize: 76  "))) << reported.toStdString();
    EXPECT_EQ(prompter.count(), 0);
}

TEST(MainWindowShell, SettingsAreReadAtStartAndSavedAtExit)
{
    TestHome home;
    KeepCurrentDir keep;
    installFakeTools(home.path(), StartupCheck::requiredTools());
    {
        FakePrompter prompter;
        MainWindow window(&prompter);
        window.setSplashEnabled(false);
        window.setEndProgram([] {});
        ASSERT_TRUE(window.start());
        EXPECT_EQ(window.settings().mainTitle, QLatin1String("Your title"));
        window.settings().mainTitle = QStringLiteral("Holiday");
        window.settings().ntsc = true;
        window.close();
    }
    FakePrompter prompter;
    MainWindow again(&prompter);
    again.setSplashEnabled(false);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(again.settings().mainTitle, QLatin1String("Holiday"));
    EXPECT_TRUE(again.settings().ntsc);
    EXPECT_EQ(again.settings().frameHeight, 480);
}
