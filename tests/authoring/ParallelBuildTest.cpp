#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "authoring/BuildDriver.h"
#include "authoring/BuildManifest.h"
#include "authoring/BuildOutput.h"
#include "authoring/Workspace.h"
#include "base/Guard.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

using namespace Qt::StringLiterals;

namespace {

// Six pictures in two entries, one with a caption: enough stills for several
// workers to overlap, few enough to stay quick.
class ParallelBuild : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        home.installTools();
        m_oldHandler
            = Guard::setFatalHandler([this](const QString &procedure, int number, const QString &text) {
                  fatalErrors.append(procedure + u": "_s + QString::number(number) + u' ' + text);
              });
        const QString src = source();
        QDir().mkpath(src + u"/Beach"_s);
        QDir().mkpath(src + u"/Town"_s);
        QDir().mkpath(dest());
        int seed = 1;
        for (const QString &name : { u"Beach/a.jpg"_s, u"Beach/b.jpg"_s, u"Beach/c.jpg"_s, u"Town/d.jpg"_s,
                 u"Town/e.jpg"_s, u"Town/f.jpg"_s })
            paint(src + u'/' + name, seed++);
        QFile caption(src + u"/Beach/b.txt"_s);
        ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
        caption.write("By the sea");
        caption.close();

        Settings &s = ws.settings;
        s.sourceDir = src;
        s.destinationDir = dest();
        s.vcd = false;
        s.ntsc = false;
        s.lowRes = true; // small stills encode fast
        s.fullRebuild = true;
        ws.controller.setSizes();
        ASSERT_TRUE(ws.scanner.scan());
    }

    void TearDown() override { Guard::setFatalHandler(m_oldHandler); }

    static void paint(const QString &path, int seed)
    {
        QImage image(120, 90, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((seed * 50) % 360, 200, 220));
        QPainter painter(&image);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRect(10 * seed % 60, 20, 40, 40));
        painter.end();
        ASSERT_TRUE(image.save(path, "JPEG", 90));
    }

    QString source() const { return m_dir.path() + u"/album"_s; }
    QString dest() const { return m_dir.path() + u"/build out"_s; }

    BuildDriver::Outcome build(
        int jobs, const std::function<void(BuildDriver &, const QString &)> &onState = {})
    {
        ws.settings.jobs = jobs;
        BuildDriver driver(ws.settings, ws.tree, ws.renderer, ws.canvas, ws.prompter(), output);
        if (onState) {
            GenerationWalk::Callbacks callbacks;
            callbacks.stateStarted = [&driver, &onState](const QString &state) { onState(driver, state); };
            driver.setWalkCallbacks(std::move(callbacks));
        }
        return driver.build();
    }

    // Every file below the build folder, relative, sorted.
    QStringList destFiles() const
    {
        QStringList files;
        QDirIterator it(dest(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(QDir(dest()).relativeFilePath(it.next()));
        files.sort();
        return files;
    }

    QByteArray readFile(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The encoder command of each block of Create.Log, in order.
    QStringList logCommands() const
    {
        QStringList commands;
        const QString log = QString::fromUtf8(readFile(home.file(u"Create.Log"_s)));
        for (const QString &line : log.split(u'\n'))
            if (line.startsWith(u"Command = "_s))
                commands.append(line);
        return commands;
    }

    // Blocks open with "-----" and close with "------", never interleaved.
    bool logBlocksWhole() const
    {
        const QString log = QString::fromUtf8(readFile(home.file(u"Create.Log"_s)));
        bool open = false;
        for (QString line : log.split(u'\n')) {
            line = line.trimmed();
            if (line == u"-----"_s) {
                if (open)
                    return false;
                open = true;
            } else if (line == u"------"_s) {
                if (!open)
                    return false;
                open = false;
            }
        }
        return !open;
    }

    void emptyDest()
    {
        QDir(dest()).removeRecursively();
        QDir().mkpath(dest());
    }

    TestHome home;
    FakePrompter prompter;
    Workspace ws { prompter };
    BuildOutput output;
    QStringList fatalErrors;

private:
    QTemporaryDir m_dir;
    Guard::FatalHandler m_oldHandler;
};

TEST_F(ParallelBuild, SameFilesDescriptionAndLogOrderAsSerial)
{
    ASSERT_EQ(build(1), BuildDriver::Outcome::Succeeded) << prompter.texts().join(u'\n').toStdString();
    const QByteArray serialXml = readFile(dest() + u"/vcd.xml"_s);
    const QStringList serialFiles = destFiles();
    const QStringList serialLog = logCommands();
    ASSERT_FALSE(serialXml.isEmpty());
    ASSERT_GE(serialLog.size(), 7); // six pictures and a caption, and the menus
    prompter.clear();

    emptyDest();
    ASSERT_EQ(build(3), BuildDriver::Outcome::Succeeded) << prompter.texts().join(u'\n').toStdString();
    EXPECT_EQ(readFile(dest() + u"/vcd.xml"_s), serialXml);
    EXPECT_EQ(destFiles(), serialFiles);
    EXPECT_EQ(logCommands(), serialLog);
    EXPECT_TRUE(logBlocksWhole());
    EXPECT_TRUE(fatalErrors.isEmpty()) << fatalErrors.join(u'\n').toStdString();
}

TEST_F(ParallelBuild, CancelLeavesNoDescriptionAndNoUnfinishedStill)
{
    int states = 0;
    const auto outcome = build(3, [&states](BuildDriver &driver, const QString &) {
        if (++states == 4)
            driver.cancel();
    });
    EXPECT_EQ(outcome, BuildDriver::Outcome::Cancelled);
    EXPECT_FALSE(QFile::exists(dest() + u"/vcd.xml"_s));
    for (const QString &file : destFiles()) {
        if (file == BuildManifest::fileName())
            continue;
        // Stills made before the cancel may stay, whole; nothing else may.
        ASSERT_TRUE(file.endsWith(u".mpg"_s)) << file.toStdString();
        const QByteArray still = readFile(dest() + u'/' + file);
        ASSERT_GT(still.size(), 8);
        EXPECT_TRUE(still.startsWith(QByteArray("\x00\x00\x01\xBA", 4))) << file.toStdString();
        EXPECT_TRUE(still.endsWith(QByteArray("\x00\x00\x01\xB9", 4))) << file.toStdString();
    }
    EXPECT_TRUE(logBlocksWhole());
    // The cancel question is the only box: a stopped encoder is no failure.
    EXPECT_EQ(prompter.count(), 1) << prompter.texts().join(u'\n').toStdString();
}

TEST_F(ParallelBuild, FailingEncoderStopsTheBuildOnce)
{
    // A stand-in encoder that fails for two stills handed out together, the
    // later one first: both failures are real, only the first in walk order
    // may be told.
    const QString encoder = home.file(u"3rdparty/mpeg2enc"_s);
    QFile::remove(encoder);
    QFile script(encoder);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ncase \"$*\" in *a.m2v*) cat >/dev/null; sleep 1; echo broken; exit 3;; *b.m2v*) "
                 "cat >/dev/null; echo broken; exit 3;; esac\nexec "
        + QFile::encodeName(QStandardPaths::findExecutable(u"mpeg2enc"_s)) + " \"$@\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

    EXPECT_EQ(build(4), BuildDriver::Outcome::Failed);
    EXPECT_FALSE(QFile::exists(dest() + u"/vcd.xml"_s));
    const QString message = localText(TextId::MsgTempFilesFailed);
    EXPECT_EQ(prompter.texts().filter(message).size(), 1) << prompter.texts().join(u'\n').toStdString();
    EXPECT_FALSE(QFile::exists(dest() + u"/Beach/a.mpg"_s));
    EXPECT_FALSE(QFile::exists(dest() + u"/Beach/b.mpg"_s));
    EXPECT_TRUE(logBlocksWhole());
}

} // namespace
