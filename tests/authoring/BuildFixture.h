#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "FakePrompter.h"
#include "TestHome.h"
#include "authoring/BuildDriver.h"
#include "authoring/BuildOutput.h"
#include "authoring/Workspace.h"
#include "base/Guard.h"

// A tiny album for builds with the real tools, below a folder whose name has
// an accent and an apostrophe, built into a folder whose name has a space:
//   Été d'Or/a.jpg (+ a.txt caption), Été d'Or/b.jpg
//   City/c.jpg, City/clip.mpg (a movie of the disc's format)
// Entries sort "City" first.
class BuildFixture
{
public:
    enum class Format { PalSvcd, PalVcd, NtscVcd };

    explicit BuildFixture(Format format = Format::PalSvcd);
    ~BuildFixture();

    QString source() const { return m_dir.path() + QLatin1String("/src"); }
    QString dest() const { return m_dir.path() + QLatin1String("/build dir"); }
    QString sourceFile(const QString &relative) const { return source() + u'/' + relative; }
    QString destFile(const QString &relative) const { return dest() + u'/' + relative; }

    // Reads the album into the tree (again) and makes a fresh driver.
    void scan();
    BuildDriver::Outcome build();

    static void paintJpeg(const QString &path, int width, int height, int seed);
    // A small text file (a caption, a stand-in) written whole; a failure fails the test.
    static void writeText(const QString &path, const QByteArray &text);
    // A file's text, or an empty string when it cannot be read.
    static QString readText(const QString &path);
    // A four-second movie in the format vcdxbuild expects on this disc.
    static void makeMovie(const QString &path, Format format);

    TestHome home;
    FakePrompter prompter;
    Workspace ws { prompter };
    BuildOutput output;
    std::unique_ptr<BuildDriver> driver;
    QStringList fatalErrors;
    Format format;

private:
    QTemporaryDir m_dir;
    Guard::FatalHandler m_oldHandler;
};

// Runs a program; its standard output and error together, or empty with
// exitCode -2 when it could not start.
QString runTool(const QString &program, const QStringList &arguments, const QString &workDir, int *exitCode);
