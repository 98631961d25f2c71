#include "BuildFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

BuildFixture::BuildFixture(Format f)
    : format(f)
{
    home.installTools();
    m_oldHandler = Guard::setFatalHandler([this](const QString &procedure, int number, const QString &text) {
        fatalErrors.append(procedure + u": "_s + QString::number(number) + u' ' + text);
    });
    QDir().mkpath(sourceFile(u"Été d'Or"_s));
    QDir().mkpath(sourceFile(u"City"_s));
    QDir().mkpath(dest());
    paintJpeg(sourceFile(u"Été d'Or/a.jpg"_s), 96, 72, 1);
    paintJpeg(sourceFile(u"Été d'Or/b.jpg"_s), 96, 72, 2);
    paintJpeg(sourceFile(u"City/c.jpg"_s), 72, 96, 3);
    QFile caption(sourceFile(u"Été d'Or/a.txt"_s));
    EXPECT_TRUE(caption.open(QIODevice::WriteOnly));
    caption.write("Hello from the shore");
    caption.close();
    makeMovie(sourceFile(u"City/clip.mpg"_s), format);

    Settings &s = ws.settings;
    s.sourceDir = source();
    s.destinationDir = dest();
    s.vcd = format != Format::PalSvcd;
    s.ntsc = format == Format::NtscVcd;
    s.lowRes = false;
    s.mainTitle = u"Holidays"_s;
    ws.controller.setSizes();
    scan();
}

BuildFixture::~BuildFixture()
{
    Guard::setFatalHandler(m_oldHandler);
}

void BuildFixture::scan()
{
    driver.reset();
    EXPECT_TRUE(ws.scanner.scan());
    driver = std::make_unique<BuildDriver>(ws.settings, ws.tree, ws.renderer, ws.canvas, prompter, output);
}

BuildDriver::Outcome BuildFixture::build()
{
    return driver->build();
}

void BuildFixture::writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(text), text.size()) << path.toStdString();
}

QString BuildFixture::readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void BuildFixture::paintJpeg(const QString &path, int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 70) % 360, 200, 220));
    QPainter painter(&image);
    painter.setBrush(QColor::fromHsv((seed * 70 + 180) % 360, 255, 255));
    painter.drawEllipse(QRect(width / 4, height / 4, width / 2, height / 2));
    painter.end();
    EXPECT_TRUE(image.save(path, "JPEG", 90)) << path.toStdString();
}

void BuildFixture::makeMovie(const QString &path, Format format)
{
    const QString size = format == Format::NtscVcd ? u"352x240"_s : u"352x288"_s;
    QStringList args { u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
        u"color=c=blue:s="_s + size + u":d=4"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
        u"anullsrc=r=44100:cl=stereo"_s, u"-t"_s, u"4"_s, u"-target"_s };
    if (format == Format::PalSvcd)
        args << u"pal-svcd"_s << u"-scan_offset"_s << u"1"_s;
    else
        args << (format == Format::NtscVcd ? u"ntsc-vcd"_s : u"pal-vcd"_s);
    args << path;
    int code = 0;
    const QString out = runTool(u"ffmpeg"_s, args, QDir::tempPath(), &code);
    EXPECT_EQ(code, 0) << out.toStdString();
}

QString runTool(const QString &program, const QStringList &arguments, const QString &workDir, int *exitCode)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(120000)) {
        *exitCode = -2;
        return {};
    }
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}
