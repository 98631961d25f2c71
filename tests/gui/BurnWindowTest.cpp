#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "FakePrompter.h"
#include "StandInTools.h"
#include "TestHome.h"
#include "authoring/ImageStamp.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/BurnWindow.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The lines of `kelvara burn ARGUMENTS` on stdout, run with the test's home.
QStringList runKelvaraBurn(const TestHome &home, const QStringList &arguments, int &exitCode)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARA_HOME"), home.path());
    env.insert(QStringLiteral("KELVARA_REGISTRY_DIR"), home.registryDir());
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("KELVARA_BIN_DIR") + QLatin1String("/kelvara"),
        QStringList { QStringLiteral("burn") } + arguments);
    exitCode = -1;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    exitCode = process.exitCode();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// A shell line as the stand-in tools record the call: "cdrecord [arg] ...".
QString asCall(const QString &commandLine)
{
    const QStringList words = QProcess::splitCommand(commandLine);
    QString call = QFileInfo(words.value(0)).fileName();
    for (qsizetype i = 1; i < words.size(); ++i)
        call += QLatin1String(" [") + words.at(i) + u']';
    return call;
}

QStringList withoutScans(const QStringList &calls)
{
    QStringList kept;
    for (const QString &call : calls) {
        if (!call.contains(QLatin1String("scanbus]")))
            kept << call;
    }
    return kept;
}

} // namespace

TEST(BurnWindow, SearchFillsTheWriterList)
{
    TestHome home;
    StandInTools tools(home.path());
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    FakePrompter prompter;
    BurnWindow window(nullptr, &prompter);
    window.onActivated();

    ASSERT_EQ(window.cmbBurner()->count(), 2);
    EXPECT_EQ(window.cmbBurner()->currentIndex(), 0);
    EXPECT_TRUE(window.burnerText().startsWith(QLatin1String(" 1,0,0 100) 'HL-DT-ST'")));
    EXPECT_TRUE(window.pbBurn()->isEnabled());
    EXPECT_TRUE(window.cmbBurner()->isEnabled());
    EXPECT_EQ(prompter.count(), 0);
}

TEST(BurnWindow, NoWriterOnThisMachine)
{
    // The real wodim and cdrdao from the PATH.
    TestHome home;
    FakePrompter prompter;
    BurnWindow window(nullptr, &prompter);
    window.show();
    settle();

    ASSERT_EQ(prompter.count(), 1);
    EXPECT_TRUE(prompter.texts().at(0).startsWith(QStringLiteral("Unable to read CD burner information\n")));
    EXPECT_EQ(window.cmbBurner()->count(), 0);
    EXPECT_EQ(window.burnerText(), localText(TextId::NoDevicesFound));
    EXPECT_FALSE(window.pbBurn()->isEnabled());
    EXPECT_FALSE(window.cmbBurner()->isEnabled());
    EXPECT_TRUE(window.isVisible());
}

TEST(BurnWindow, ClosesWhenCdrdaoIsMissing)
{
    TestHome home;
    StandInTools tools(home.path());
    tools.remove(QStringLiteral("cdrdao"));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(home.file(QStringLiteral("3rdparty"))));
    FakePrompter prompter;
    BurnWindow window(nullptr, &prompter);
    window.show();
    settle();
    qputenv("PATH", oldPath);

    EXPECT_EQ(prompter.count(), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(tools.calls().isEmpty());
}

TEST(BurnWindow, BurnShowsStatusAndProgressAndCannotBeClosedMeanwhile)
{
    TestHome home;
    StandInTools tools(home.path());
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    tools.setOutput(
        QStringLiteral("cdrecord"), QStringLiteral("write"), QStringLiteral("cdrecord-write.txt"));
    FakePrompter prompter;
    BurnWindow window(nullptr, &prompter);
    window.setImage(home.file(QStringLiteral("vcd.cue")));
    window.show();
    settle();
    ASSERT_TRUE(window.pbBurn()->isEnabled());

    bool checked = false;
    QObject::connect(&window.job(), &BurnJob::busyChanged, &window, [&](bool busy) {
        if (!busy || checked)
            return;
        checked = true;
        EXPECT_FALSE(window.pbBurn()->isEnabled());
        EXPECT_FALSE(window.pbCancel()->isEnabled());
        EXPECT_FALSE(window.close());
        window.reject();
        // A second Start while the first runs does nothing.
        window.onBurnClicked();
    });
    window.pbBurn()->click();

    EXPECT_TRUE(checked);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(tools.calls().size(), 2); // the scan and one write
    EXPECT_EQ(window.txtStatus()->text(), QStringLiteral("Done."));
    EXPECT_EQ(window.progressBar()->value(), 50);
    EXPECT_TRUE(window.pbBurn()->isEnabled());
    EXPECT_TRUE(window.pbCancel()->isEnabled());
    EXPECT_TRUE(tools.calls().last().endsWith(
        QStringLiteral("[cuefile=") + home.file(QStringLiteral("vcd.cue")) + u']'));

    window.pbCancel()->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(BurnWindow, ProgressBarSitsUnderTheStatusLine)
{
    TestHome home;
    StandInTools tools(home.path());
    FakePrompter prompter;
    BurnWindow window(nullptr, &prompter);
    window.show();
    settle();
    const QRect status = window.txtStatus()->geometry();
    const QRect bar = window.progressBar()->geometry();
    EXPECT_EQ(bar.left(), status.left());
    EXPECT_EQ(bar.width(), status.width());
    EXPECT_EQ(bar.height(), 10);
    EXPECT_GT(bar.top(), status.bottom());
    EXPECT_LE(bar.top(), status.bottom() + 3);
    EXPECT_EQ(window.progressBar()->minimum(), 0);
    EXPECT_EQ(window.progressBar()->maximum(), 100);
}

TEST(BurnWindow, OnlyAnImageMadeFromTheAlbumAsItIsNowIsOffered)
{
    TestHome home;
    StandInTools tools(home.path());
    FakePrompter prompter;
    const QString build = home.file(QStringLiteral("build"));
    QDir().mkpath(build);
    Settings settings;
    settings.destinationDir = build + u'/';
    ProjectTree tree;
    tree.addRoot(QStringLiteral("album/"), home.file(QStringLiteral("album")));

    const auto offer = [&](bool answer) {
        prompter.clear();
        prompter.scriptAnswer(answer);
        return BurnWindow::checkImage(settings, tree, prompter);
    };
    EXPECT_EQ(offer(false), BurnWindow::ImageOffer::Declined);
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).kind, FakePrompter::Kind::YesNo);
    EXPECT_EQ(prompter.boxes().at(0).title, localText(TextId::TitleBurnImage));
    EXPECT_EQ(prompter.boxes().at(0).text, localText(TextId::MsgNoImageBuildFirst));

    // An image without a stamp may be anyone's.
    for (const char *name : { "vcd.bin", "vcd.cue" }) {
        QFile file(build + u'/' + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(offer(true), BurnWindow::ImageOffer::BuildFirst);
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).text, localText(TextId::MsgImageOutdated));

    // Stamped for this album and these settings, the window opens modally
    // for the cue sheet without a question.
    ASSERT_TRUE(ImageStamp::write(build, ImageStamp::fingerprint(settings, tree)));
    QString shownImage;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto *window = qobject_cast<BurnWindow *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        shownImage = window->image();
        modal = window->isModal();
        window->reject();
    });
    prompter.clear();
    EXPECT_EQ(BurnWindow::checkImage(settings, tree, prompter), BurnWindow::ImageOffer::Current);
    EXPECT_EQ(prompter.count(), 0);
    BurnWindow::openFor(nullptr, build + QStringLiteral("/vcd.cue"), &prompter);
    EXPECT_EQ(shownImage, build + QStringLiteral("/vcd.cue"));
    EXPECT_TRUE(modal);
}

TEST(BurnWindow, CommandLineDryRunShowsTheCommandsTheWindowRuns)
{
    TestHome home;
    StandInTools tools(home.path());
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    QDir(home.path()).mkdir(QStringLiteral("image"));
    const QString cue = home.file(QStringLiteral("image/vcd.cue"));
    for (const QString &name : { cue, home.file(QStringLiteral("image/vcd.bin")) }) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    struct Case
    {
        BurnMode mode;
        QStringList options;
    };
    for (const Case &c : { Case { BurnMode::CdRecord, {} },
             Case { BurnMode::Normal, { QStringLiteral("--writer"), QStringLiteral("cdrdao") } } }) {
        int exitCode = -1;
        const QStringList printed = runKelvaraBurn(home,
            c.options
                + QStringList { QStringLiteral("--dry-run"), QStringLiteral("--blank"),
                    QStringLiteral("fast"), QStringLiteral("--device"), QStringLiteral("1,0,0"), cue },
            exitCode);
        EXPECT_EQ(exitCode, 0);
        // Only the writer search ran.
        EXPECT_TRUE(withoutScans(tools.calls()).isEmpty()) << tools.calls().join(u'\n').toStdString();
        QFile::remove(home.file(QStringLiteral("3rdparty/calls.log")));

        FakePrompter prompter;
        BurnWindow window(nullptr, &prompter);
        window.setImage(cue);
        window.onActivated();
        window.setMode(c.mode);
        window.chkBlanc()->setChecked(true);
        window.onBurnClicked();

        QStringList dryRun;
        for (const QString &line : printed)
            dryRun << asCall(line);
        EXPECT_FALSE(dryRun.isEmpty());
        EXPECT_EQ(dryRun, withoutScans(tools.calls())) << printed.join(u'\n').toStdString();
        QFile::remove(home.file(QStringLiteral("3rdparty/calls.log")));
    }

    // A device the search did not find is refused before anything runs.
    int exitCode = -1;
    runKelvaraBurn(home,
        { QStringLiteral("--dry-run"), QStringLiteral("--device"), QStringLiteral("7,7,7"), cue }, exitCode);
    EXPECT_EQ(exitCode, 4);
}
