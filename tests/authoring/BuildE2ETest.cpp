#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "BuildFixture.h"

using namespace Qt::StringLiterals;

namespace {

// One selection of a description: its links (kind -> target id, number keys
// as "select1", "select2" ...), wait and play item.
struct Selection
{
    QString id;
    QHash<QString, QString> links;
    QString wait;
    QString playItem;
};

QList<Selection> readSelections(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QList<Selection> selections;
    int selects = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == u"selection") {
            selections.append({ xml.attributes().value(u"id"_s).toString(), {}, {}, {} });
            selects = 0;
        } else if (selections.isEmpty()) {
            continue;
        } else if (name == u"wait") {
            selections.last().wait = xml.readElementText();
        } else if (name == u"play-item") {
            selections.last().playItem = xml.attributes().value(u"ref"_s).toString();
        } else if (name == u"select") {
            selections.last().links.insert(
                u"select"_s + QString::number(++selects), xml.attributes().value(u"ref"_s).toString());
        } else if (name == u"prev" || name == u"next" || name == u"return" || name == u"default"
            || name == u"timeout") {
            selections.last().links.insert(name, xml.attributes().value(u"ref"_s).toString());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return selections;
}

class BuildE2ETest : public ::testing::TestWithParam<BuildFixture::Format>
{
};

TEST_P(BuildE2ETest, ImageReadsBackAsTheTreeDescribesIt)
{
    BuildFixture f(GetParam());
    const bool vcd = f.ws.settings.vcd;
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(f.fatalErrors.isEmpty());
    EXPECT_TRUE(QFileInfo(f.destFile(u"vcd.bin"_s)).size() > 0);
    EXPECT_TRUE(QFileInfo::exists(f.destFile(u"vcd.cue"_s)));
    // Nothing is asked at the end: the window shows what was made.
    EXPECT_EQ(f.prompter.count(), 0) << f.prompter.texts().join(u'\n').toStdString();

    // vcdxbuild warned about nothing but the two states nothing leads to.
    QFile log(f.home.file(u"build.log"_s));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QStringList warnings;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(u'\n')) {
        if (line.contains(u"WARN"_s) || line.contains(u"ERROR"_s))
            warnings.append(line.trimmed());
    }
    EXPECT_EQ(warnings.join(u'\n').toStdString(),
        "++ WARN: PSD item 'Selection-end' is unreachable\n"
        "++ WARN: sequence 'Sequence-0003' is not reachable by PBC");

    // Every still has the frame size and the disc's MPEG version.
    int stills = 0;
    QDirIterator it(f.dest(), { u"*.mpg"_s }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString still = it.next();
        int code = 0;
        const QString probe = runTool(u"ffprobe"_s,
            { u"-v"_s, u"error"_s, u"-select_streams"_s, u"v:0"_s, u"-show_entries"_s,
                u"stream=codec_name,width,height"_s, u"-of"_s, u"csv=p=0"_s, still },
            f.dest(), &code);
        const QStringList fields = probe.trimmed().split(u',', Qt::SkipEmptyParts);
        EXPECT_EQ(fields.join(u',').toStdString(),
            QString((vcd ? u"mpeg1video,"_s : u"mpeg2video,"_s) + QString::number(f.ws.settings.frameWidth)
                + u',' + QString::number(f.ws.settings.frameHeight))
                .toStdString())
            << still.toStdString();
        ++stills;
    }
    EXPECT_EQ(stills, 6); // two menu states, three pictures, one caption state

    // Without the settings that add originals the disc has no files of its own.
    EXPECT_FALSE(BuildFixture::readText(f.destFile(u"vcd.xml"_s)).contains(u"<filesystem"_s));
    EXPECT_FALSE(QFileInfo::exists(f.destFile(u"INDEX.HTM"_s)));

    // The description follows the tree.
    const QList<Selection> described = readSelections(f.destFile(u"vcd.xml"_s));
    ASSERT_EQ(described.size(), 7); // the states above and the movie
    // A QString, not the builder: the builder would refer to prefix after it is gone.
    const auto id = [&](const QString &relative, const QString &prefix = u"Selection-"_s) -> QString {
        const ProjectNode *node = f.ws.tree.nodeByKey(f.source() + u'/' + relative);
        EXPECT_NE(node, nullptr) << relative.toStdString();
        return prefix + DescriptionWriter::stateNumber(node ? node->index() : 0);
    };
    const Selection &city = described.at(0);
    EXPECT_EQ(city.id, id(u"City"_s));
    EXPECT_EQ(city.links.value(u"default"_s), id(u"City/c.jpg"_s));
    EXPECT_EQ(city.links.value(u"select2"_s), id(u"Été d'Or/a.jpg"_s));
    EXPECT_EQ(city.wait, u"2000"_s);
    const Selection &movie = described.at(2);
    EXPECT_EQ(movie.id, id(u"City/clip.mpg"_s));
    EXPECT_EQ(movie.links.value(u"timeout"_s), id(u"City"_s)); // the last item returns to its menu state
    const Selection &a = described.at(4);
    EXPECT_EQ(a.id, id(u"Été d'Or/a.jpg"_s));
    EXPECT_EQ(a.links.value(u"default"_s), id(u"Été d'Or/a.jpg"_s, u"Selection-text"_s));
    EXPECT_EQ(a.links.value(u"return"_s), id(u"Été d'Or"_s));
    EXPECT_EQ(a.wait, u"6"_s);
    const Selection &caption = described.at(5);
    EXPECT_EQ(caption.links.value(u"return"_s), a.id);
    EXPECT_EQ(caption.links.value(u"default"_s), a.id);

    // The image holds that graph: vcdxrip names states by position.
    QTemporaryDir rip;
    int code = 0;
    const QString output = runTool(u"vcdxrip"_s,
        { u"--norip"_s, u"-b"_s, f.destFile(u"vcd.bin"_s), u"-o"_s, u"rip.xml"_s }, rip.path(), &code);
    ASSERT_EQ(code, 0) << output.toStdString();
    const QList<Selection> ripped = readSelections(rip.path() + u"/rip.xml"_s);
    ASSERT_EQ(ripped.size(), described.size());
    QHash<QString, QString> toRipped;
    for (int i = 0; i < described.size(); ++i)
        toRipped.insert(described.at(i).id, ripped.at(i).id);
    for (int i = 0; i < described.size(); ++i) {
        const Selection &ours = described.at(i);
        QHash<QString, QString> expected;
        for (auto link = ours.links.cbegin(); link != ours.links.cend(); ++link)
            expected.insert(link.key(), toRipped.value(link.value(), u"?"_s + link.value()));
        EXPECT_EQ(ripped.at(i).links, expected) << ours.id.toStdString();
        EXPECT_EQ(ripped.at(i).wait, ours.wait) << ours.id.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BuildE2ETest,
    ::testing::Values(
        BuildFixture::Format::PalSvcd, BuildFixture::Format::PalVcd, BuildFixture::Format::NtscVcd),
    [](const ::testing::TestParamInfo<BuildFixture::Format> &info) {
        switch (info.param) {
        case BuildFixture::Format::PalSvcd:
            return std::string("PalSvcdHigh");
        case BuildFixture::Format::PalVcd:
            return std::string("PalVcdHigh");
        case BuildFixture::Format::NtscVcd:
            return std::string("NtscVcd");
        }
        return std::string("Unknown");
    });

} // namespace
