#include "base/StartupCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "FakePrompter.h"
#include "TestHome.h"
#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/StringTable.h"

using namespace AppTestSupport;

namespace {
QString programLog(const TestHome &home)
{
    return home.file(StartupCheck::programLogName());
}
} // namespace

TEST(StartupLog, SecondStartKeepsOnlyItsOwnLines)
{
    TestHome home;
    KeepCurrentDir keep;
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());

    StartupCheck::prepareProgramFolder();
    appendLog(QStringLiteral("a line of the first run"), StartupCheck::programLogName());

    QDir::setCurrent(elsewhere.path());
    StartupCheck::prepareProgramFolder();

    bool crlf = false;
    const QStringList lines = crlfLines(programLog(home), &crlf);
    ASSERT_EQ(lines.size(), 3) << lines.join(u'|').toStdString();
    EXPECT_TRUE(crlf);
    EXPECT_EQ(lines[0], QLatin1String("apppath: ") + ProgramFolder::path());
    // Started from another folder: curdir0 shows it, curdir1 the program folder.
    EXPECT_EQ(lines[1], QLatin1String("curdir0: ") + QDir(elsewhere.path()).canonicalPath());
    EXPECT_EQ(lines[2], QLatin1String("curdir1: ") + ProgramFolder::path());
    EXPECT_EQ(QDir::currentPath(), ProgramFolder::path());
}

TEST(StartupLog, OldLogInAnyLetterCaseIsRemoved)
{
    TestHome home;
    KeepCurrentDir keep;
    QFile old(home.file(QStringLiteral("Kelvara.Log")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("stale\r\n");
    old.close();

    StartupCheck::prepareProgramFolder();

    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Kelvara.Log"))));
    EXPECT_EQ(crlfLines(programLog(home)).size(), 3);
}

TEST(StartupLog, MissingProgramFolderIsAnUnexpectedError)
{
    TestHome home;
    KeepCurrentDir keep;
    const QByteArray saved = qgetenv("KELVARA_HOME");
    qputenv("KELVARA_HOME", QFile::encodeName(home.file(QStringLiteral("not-there"))));
    ProgramFolder::reset();
    EXPECT_THROW(StartupCheck::prepareProgramFolder(), KelvaraError);
    qputenv("KELVARA_HOME", saved);
    ProgramFolder::reset();
}

TEST(StartupLog, StartupMessagesUseTheEnglishBlockUntilSettingsAreRead)
{
    TestHome home;
    KeepCurrentDir keep;
    StringTable::instance().setLanguageOffset(50000);
    StartupCheck::prepareProgramFolder();
    EXPECT_EQ(StringTable::instance().languageOffset(), 0);
    EXPECT_EQ(StartupCheck::incompleteTitle(), QLatin1String("Setup incomplete"));
}

TEST(ToolCheck, FirstMissingToolIsReportedOnceAndNothingIsLogged)
{
    TestHome home;
    KeepCurrentDir keep;
    EmptyPath noTools;
    installFakeTools(home.path(), { QStringLiteral("jpeg2yuv") }); // mpeg2enc and mplex missing
    StartupCheck::prepareProgramFolder();

    EXPECT_EQ(StartupCheck::firstMissingTool(), QLatin1String("mpeg2enc"));
    FakePrompter prompter;
    EXPECT_FALSE(StartupCheck::checkTools(prompter));
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
    EXPECT_EQ(prompter.boxes()[0].title, QLatin1String("Setup incomplete"));
    EXPECT_TRUE(prompter.boxes()[0].text.startsWith(
        QLatin1String("Program directory is not correctly set up, please rerun setup or contact")));
    EXPECT_TRUE(prompter.boxes()[0].text.endsWith(QLatin1String("support@kelvara.example")));
    EXPECT_EQ(prompter.boxes()[0].text.count(QLatin1String("support@kelvara.example")), 1);

    EXPECT_EQ(crlfLines(programLog(home)).size(), 3);
}

TEST(ToolCheck, ToolsOnThePathCountAsWellAsThoseIn3rdparty)
{
    TestHome home;
    EmptyPath path;
    installFakeTools(home.path(), { QStringLiteral("jpeg2yuv"), QStringLiteral("mplex") });
    FakePrompter prompter;
    EXPECT_EQ(StartupCheck::firstMissingTool(), QLatin1String("mpeg2enc"));

    QFile onPath(path.path() + QLatin1String("/mpeg2enc"));
    ASSERT_TRUE(onPath.open(QIODevice::WriteOnly));
    onPath.write("#!/bin/sh\n");
    onPath.close();
    onPath.setPermissions(onPath.permissions() | QFile::ExeOwner);

    EXPECT_TRUE(StartupCheck::checkTools(prompter));
    EXPECT_EQ(prompter.count(), 0);
}

TEST(ToolCheck, NoToolsAnywhereNamesTheFirstInOrder)
{
    TestHome home;
    EmptyPath noTools;
    EXPECT_EQ(StartupCheck::firstMissingTool(), QLatin1String("jpeg2yuv"));
    installFakeTools(home.path(), { QStringLiteral("jpeg2yuv"), QStringLiteral("mpeg2enc") });
    EXPECT_EQ(StartupCheck::firstMissingTool(), QLatin1String("mplex"));
}

TEST(ToolCheck, ANonExecutableFileIsNotATool)
{
    TestHome home;
    EmptyPath noTools;
    installFakeTools(home.path(), StartupCheck::requiredTools());
    QFile mplex(home.file(QStringLiteral("3rdparty/mplex")));
    mplex.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(StartupCheck::firstMissingTool(), QLatin1String("mplex"));
}
