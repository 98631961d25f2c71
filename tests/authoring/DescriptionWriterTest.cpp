#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <initializer_list>
#include <memory>

#include "TestHome.h"
#include "authoring/DescriptionWriter.h"
#include "authoring/NavigationModel.h"
#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// Lines as the file holds them: each one followed by CR LF.
QString crlf(std::initializer_list<const char *> lines)
{
    QString text;
    for (const char *line : lines)
        text += QString::fromUtf8(line) + QLatin1String("\r\n");
    return text;
}

// A build in miniature: a tree, the writer and the links of each state, with
// the program folder and build folder in temporary places.
struct Build
{
    TestHome home;
    QTemporaryDir buildDir;
    ProjectTree tree;
    Settings settings;
    DescriptionWriter writer { settings };
    ProjectNode *root = nullptr;

    Build()
    {
        for (const char *name : { "PAL_VCD.mpg", "NTSC_VCD.mpg", "PAL_SVCD.mpg", "NTSC_SVCD.mpg" }) {
            QFile f(home.file(QString::fromLatin1(name)));
            f.open(QIODevice::WriteOnly);
        }
        settings.destinationDir = buildDir.path();
        root = tree.addRoot(s("/album/"), s("/album"));
    }

    // Checked, as a scan leaves every node.
    ProjectNode *add(ProjectNode *parent, const char *name)
    {
        return checked(tree.addChild(parent, parent->fullPath() + u'/' + s(name), s(name)));
    }
    ProjectNode *checked(ProjectNode *node)
    {
        tree.setChecked(node, true);
        return node;
    }

    // The calls the walk makes for one picture, and its caption state when a
    // caption file lies beside it.
    void picture(ProjectNode *node, bool withCaption = false)
    {
        NavigationModel model(settings);
        model.addPicture(node, withCaption);
        const QString stem = buildDir.path() + u'/' + node->text().chopped(4);
        writer.addSelectionItem(model.links({ node, false }));
        writer.addSegmentItem({ node, false }, stem + QLatin1String(".mpg"));
        if (withCaption) {
            writer.addSelectionItem(model.links({ node, true }));
            writer.addSegmentItem({ node, true }, stem + QLatin1String("_text.mpg"));
        }
    }

    // The calls for the menu page that highlights `entry`, entry number
    // `number` of its menu.
    void menuState(ProjectNode *entry, int number, int perPage, int menuNumber)
    {
        NavigationModel model(settings);
        model.addMenuState(entry, number, perPage);
        writer.addSelectionItem(model.links({ entry, false }));
        writer.addSegmentItem({ entry, false },
            buildDir.path() + QStringLiteral("/Menu_%1.mpg").arg(menuNumber, 4, 10, QLatin1Char('0')));
    }

    void movie(ProjectNode *node)
    {
        NavigationModel model(settings);
        model.addMovie(node);
        writer.addSelectionItem(model.links({ node, false }));
        writer.addSequenceItem({ node, false }, node->fullPath());
    }

    QByteArray written()
    {
        EXPECT_TRUE(writer.write());
        QFile f(buildDir.path() + QLatin1String("/vcd.xml"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QString writtenText() { return QString::fromUtf8(written()); }
};

} // namespace

TEST(DescriptionWriter, RootOfThreePicturesGivesTheWholeFileByteForByte)
{
    Build b;
    ProjectNode *p1 = b.add(b.root, "a.jpg");
    ProjectNode *p2 = b.add(b.root, "b.jpg");
    ProjectNode *p3 = b.add(b.root, "c.jpg");
    b.picture(p1);
    b.picture(p2);
    b.picture(p3);

    const QString bd = b.buildDir.path();
    const QString expected
        = crlf({
              "<?xml version=\"1.0\"?>",
              "<!DOCTYPE videocd PUBLIC \"-//GNU//DTD VideoCD//EN\" "
              "\"http://www.gnu.org/software/vcdimager/videocd.dtd\">",
              "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"svcd\" version=\"1.0\">",
              "<option name=\"relaxed aps\" value=\"false\"/>",
              "<option name=\"update scan offsets\" value=\"true\"/>",
              "<info>",
              "<album-id></album-id>",
              "<volume-count>1</volume-count>",
              "<volume-number>1</volume-number>",
              "<restriction>0</restriction>",
              "</info>",
              "<pvd>",
              "<volume-id>VIDEOCD</volume-id>",
              "<system-id>CD-RTOS CD-BRIDGE</system-id>",
              "<application-id>CDI/CDI_VCD.APP;1</application-id>",
              "<preparer-id>GNU VCDIMAGER</preparer-id>",
              "<publisher-id>KELVARA_1.00</publisher-id>",
              "</pvd>",
              "<segment-items>",
          })
        + QStringLiteral("\t\t<segment-item src=\"%1/a.mpg\" id=\"Segment-0002\"/>\r\n"
                         "\t\t<segment-item src=\"%1/b.mpg\" id=\"Segment-0003\"/>\r\n"
                         "\t\t<segment-item src=\"%1/c.mpg\" id=\"Segment-0004\"/>\r\n")
              .arg(bd)
        + crlf({ "</segment-items>", "  <sequence-items>" })
        + QStringLiteral("    <sequence-item src=\"%1/PAL_SVCD.mpg\" id=\"Sequence-0003\">\r\n")
              .arg(b.home.path())
        + crlf({
            "      <default-entry id=\"Chapter-0003-01\"/>",
            "    </sequence-item>",
            "  </sequence-items>",
            "  <pbc>",
            // First: no prev. No return links in the root.
            "\t\t<selection id=\"Selection-0002\">",
            "\t\t\t<next ref = \"Selection-0003\"/>",
            "\t\t\t<timeout ref = \"Selection-0003\"/>",
            "\t\t\t<wait>6</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0002\"/>",
            "\t\t\t</selection>",
            "\t\t<selection id=\"Selection-0003\">",
            "\t\t\t<prev ref = \"Selection-0002\"/>",
            "\t\t\t<next ref = \"Selection-0004\"/>",
            "\t\t\t<timeout ref = \"Selection-0004\"/>",
            "\t\t\t<wait>6</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0003\"/>",
            "\t\t\t</selection>",
            // Last: no next, the timeout keeps it on screen.
            "\t\t<selection id=\"Selection-0004\">",
            "\t\t\t<prev ref = \"Selection-0003\"/>",
            "\t\t\t<timeout ref = \"Selection-0004\"/>",
            "\t\t\t<wait>6</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0004\"/>",
            "\t\t\t</selection>",
            "  <endlist id=\"Selection-end\" rejected=\"true\"/>",
            "  </pbc>",
            "  </videocd>",
            "",
        });
    const QByteArray bytes = b.written();
    EXPECT_EQ(QString::fromUtf8(bytes), expected);
    // Every line break is CR LF and the file ends with an empty line.
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("</videocd>\r\n\r\n"));
}

TEST(DescriptionWriter, CaptionStateLinksBackToItsPicture)
{
    Build b;
    ProjectNode *p1 = b.add(b.root, "a.jpg");
    ProjectNode *p2 = b.add(b.root, "b.jpg");
    b.picture(p1, true);
    b.picture(p2);

    const QString bd = b.buildDir.path();
    EXPECT_EQ(b.writer.pbcItems(),
        crlf({
            "\t\t<selection id=\"Selection-0002\">",
            "\t\t\t<next ref = \"Selection-0003\"/>",
            "\t\t\t<default ref = \"Selection-text0002\"/>",
            "\t\t\t<timeout ref = \"Selection-0003\"/>",
            "\t\t\t<wait>6</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0002\"/>",
            "\t\t\t</selection>",
            "\t\t<selection id=\"Selection-text0002\">",
            "\t\t\t<next ref = \"Selection-0003\"/>",
            "\t\t\t<return ref = \"Selection-0002\"/>",
            "\t\t\t<default ref = \"Selection-0002\"/>",
            "\t\t\t<timeout ref = \"Selection-text0002\"/>",
            "\t\t\t<wait>2000</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-text0002\"/>",
            "\t\t\t</selection>",
            "\t\t<selection id=\"Selection-0003\">",
            "\t\t\t<prev ref = \"Selection-0002\"/>",
            "\t\t\t<timeout ref = \"Selection-0003\"/>",
            "\t\t\t<wait>6</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0003\"/>",
            "\t\t\t</selection>",
        }));
    EXPECT_EQ(b.writer.segmentItems(),
        QStringLiteral("\t\t<segment-item src=\"%1/a.mpg\" id=\"Segment-0002\"/>\r\n"
                       "\t\t<segment-item src=\"%1/a_text.mpg\" id=\"Segment-text0002\"/>\r\n"
                       "\t\t<segment-item src=\"%1/b.mpg\" id=\"Segment-0003\"/>\r\n")
            .arg(bd));
}

TEST(DescriptionWriter, MenuStatesAndEntryPictures)
{
    Build b;
    ProjectNode *e1 = b.add(b.root, "Beach"); // 2
    ProjectNode *e2 = b.add(b.root, "Empty"); // 3
    ProjectNode *e3 = b.add(b.root, "Town"); // 4
    ProjectNode *a = b.add(e1, "a.jpg"); // 5
    ProjectNode *m = b.add(e1, "m.mpg"); // 6
    ProjectNode *t = b.add(e3, "t.jpg"); // 7

    b.menuState(e1, 1, 3, 1);
    b.picture(a);
    b.movie(m);
    const QString afterEntry1 = b.writer.pbcItems();
    b.menuState(e2, 2, 3, 2);
    const QString emptyEntry = b.writer.pbcItems().mid(afterEntry1.size());
    b.menuState(e3, 3, 3, 3);
    b.picture(t);

    const QString bd = b.buildDir.path();
    const QString expectedEntry1 = crlf({
        "\t\t<selection id=\"Selection-0002\">",
        "\t\t\t<bsn>1</bsn>",
        "\t\t\t<next ref = \"Selection-0003\"/>",
        "\t\t\t<default ref = \"Selection-0005\"/>",
        "\t\t\t<timeout ref = \"Selection-0003\"/>",
        "\t\t\t<wait>2000</wait>",
        "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
        "\t\t\t<play-item ref=\"Segment-0002\"/>",
        "\t\t\t<select ref = \"Selection-0005\"/>",
        "\t\t\t<select ref = \"Selection-0003\"/>",
        "\t\t\t<select ref = \"Selection-0007\"/>",
        "\t\t\t</selection>",
        // A picture inside an entry returns to the entry's menu state.
        "\t\t<selection id=\"Selection-0005\">",
        "\t\t\t<next ref = \"Selection-0006\"/>",
        "\t\t\t<return ref = \"Selection-0002\"/>",
        "\t\t\t<timeout ref = \"Selection-0006\"/>",
        "\t\t\t<wait>6</wait>",
        "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
        "\t\t\t<play-item ref=\"Segment-0005\"/>",
        "\t\t\t</selection>",
        // The entry's last item times out back to the menu.
        "\t\t<selection id=\"Selection-0006\">",
        "\t\t\t<prev ref = \"Selection-0005\"/>",
        "\t\t\t<return ref = \"Selection-0002\"/>",
        "\t\t\t<timeout ref = \"Selection-0002\"/>",
        "\t\t\t<wait>6</wait>",
        "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
        "\t\t\t<play-item ref=\"Segment-0006\"/>",
        "\t\t\t</selection>",
    });
    EXPECT_EQ(afterEntry1, expectedEntry1);

    // The menu state of an empty entry keeps its number keys; Enter has nowhere
    // to go, so there is no default link and no bsn.
    EXPECT_EQ(emptyEntry,
        crlf({
            "\t\t<selection id=\"Selection-0003\">",
            "\t\t\t<prev ref = \"Selection-0002\"/>",
            "\t\t\t<next ref = \"Selection-0004\"/>",
            "\t\t\t<timeout ref = \"Selection-0004\"/>",
            "\t\t\t<wait>2000</wait>",
            "\t\t\t<loop jump-timing=\"delayed\">1</loop>",
            "\t\t\t<play-item ref=\"Segment-0003\"/>",
            "\t\t\t<select ref = \"Selection-0005\"/>",
            "\t\t\t<select ref = \"Selection-0003\"/>",
            "\t\t\t<select ref = \"Selection-0007\"/>",
            "\t\t\t</selection>",
        }));

    // The last entry's menu state times out to itself, its only picture back to it.
    const QString rest = b.writer.pbcItems().mid(afterEntry1.size() + emptyEntry.size());
    EXPECT_TRUE(rest.startsWith(crlf({ "\t\t<selection id=\"Selection-0004\">", "\t\t\t<bsn>1</bsn>",
        "\t\t\t<prev ref = \"Selection-0003\"/>", "\t\t\t<default ref = \"Selection-0007\"/>",
        "\t\t\t<timeout ref = \"Selection-0004\"/>" })))
        << qPrintable(rest);
    EXPECT_TRUE(rest.contains(crlf({ "\t\t\t<return ref = \"Selection-0004\"/>",
        "\t\t\t<timeout ref = \"Selection-0004\"/>", "\t\t\t<wait>6</wait>" })));

    // Menu stills are named by their stem plus ".mpg"; the movie is a sequence item
    // at its source path.
    EXPECT_EQ(b.writer.segmentItems(),
        QStringLiteral("\t\t<segment-item src=\"%1/Menu_0001.mpg\" id=\"Segment-0002\"/>\r\n"
                       "\t\t<segment-item src=\"%1/a.mpg\" id=\"Segment-0005\"/>\r\n"
                       "\t\t<segment-item src=\"%1/Menu_0002.mpg\" id=\"Segment-0003\"/>\r\n"
                       "\t\t<segment-item src=\"%1/Menu_0003.mpg\" id=\"Segment-0004\"/>\r\n"
                       "\t\t<segment-item src=\"%1/t.mpg\" id=\"Segment-0007\"/>\r\n")
            .arg(bd));
    EXPECT_EQ(b.writer.sequenceItems(),
        s("\t\t<sequence-item src=\"/album/Beach/m.mpg\" id=\"Segment-0006\"/>\r\n"));
}

TEST(DescriptionWriter, NumberKeysFollowTheVisibleWindowOfEntries)
{
    Build b;
    std::vector<ProjectNode *> entries;
    for (const char *name : { "e1", "e2", "e3", "e4", "e5" })
        entries.push_back(b.add(b.root, name)); // indexes 2..6
    b.add(entries[3], "x.jpg"); // 7

    // Two entries per page, the fourth highlighted in the second slot: the page
    // shows entries 3 and 4, so key 1 opens entry 3 (empty: its own state) and
    // key 2 the first picture of entry 4.
    b.menuState(entries[3], 4, 2, 4);
    EXPECT_TRUE(b.writer.pbcItems().endsWith(
        crlf({ "\t\t\t<play-item ref=\"Segment-0005\"/>", "\t\t\t<select ref = \"Selection-0004\"/>",
            "\t\t\t<select ref = \"Selection-0007\"/>", "\t\t\t</selection>" })))
        << qPrintable(b.writer.pbcItems());

    // A page with room for more buttons than there are entries: keys past the
    // last entry select nothing rather than a stale state.
    b.writer.clear();
    b.menuState(entries[4], 5, 7, 5);
    EXPECT_TRUE(b.writer.pbcItems().endsWith(crlf({ "\t\t\t<play-item ref=\"Segment-0006\"/>",
        "\t\t\t<select ref = \"Selection-0002\"/>", "\t\t\t<select ref = \"Selection-0003\"/>",
        "\t\t\t<select ref = \"Selection-0004\"/>", "\t\t\t<select ref = \"Selection-0007\"/>",
        "\t\t\t<select ref = \"Selection-0006\"/>", "\t\t\t</selection>" })))
        << qPrintable(b.writer.pbcItems());
}

TEST(DescriptionWriter, PictureWaitComesFromTheTimeoutSetting)
{
    const struct
    {
        const char *setting;
        const char *wait;
    } cases[] = { { "0", "-1" }, { "6", "6" }, { "2.5", "2" }, { "3.5", "4" }, { "0.4", "-1" },
        { "0.6", "1" }, { "-3", "-1" }, { "", "-1" }, { "12abc", "12" } };
    for (const auto &c : cases) {
        Build b;
        ProjectNode *entry = b.add(b.root, "e");
        ProjectNode *pic = b.add(entry, "p.jpg");
        b.settings.timeout = s(c.setting);
        b.menuState(entry, 1, 1, 1);
        b.picture(pic);
        const QString expectedWait = QLatin1String("<wait>") + s(c.wait) + QLatin1String("</wait>");
        const QString picturePart
            = b.writer.pbcItems().mid(b.writer.pbcItems().indexOf(QLatin1String("Selection-0003\">")));
        EXPECT_TRUE(picturePart.contains(expectedWait)) << c.setting << " -> " << qPrintable(picturePart);
        // Menu states always wait 2000, whatever the setting.
        EXPECT_TRUE(b.writer.pbcItems()
                        .left(b.writer.pbcItems().size() - picturePart.size())
                        .contains(s("<wait>2000</wait>")))
            << c.setting;
    }
}

TEST(DescriptionWriter, IdsHaveAtLeastFourDigits)
{
    EXPECT_EQ(DescriptionWriter::stateNumber(12), s("0012"));
    EXPECT_EQ(DescriptionWriter::stateNumber(9999), s("9999"));
    EXPECT_EQ(DescriptionWriter::stateNumber(12345), s("12345"));

    Build b;
    ProjectNode *last = nullptr;
    for (int i = 0; i < 10001; ++i)
        last = b.checked(
            b.tree.addChild(b.root, QStringLiteral("/album/%1.jpg").arg(i), QStringLiteral("%1.jpg").arg(i)));
    ASSERT_EQ(last->index(), 10002);
    b.picture(last);
    EXPECT_TRUE(b.writer.pbcItems().startsWith(crlf({ "\t\t<selection id=\"Selection-10002\">",
        "\t\t\t<prev ref = \"Selection-10001\"/>", "\t\t\t<timeout ref = \"Selection-10002\"/>" })));
    EXPECT_TRUE(b.writer.segmentItems().endsWith(s("id=\"Segment-10002\"/>\r\n")));
}

TEST(DescriptionWriter, FrameFollowsOutputTypeAndTvFormat)
{
    const struct
    {
        bool vcd, ntsc;
        const char *root, *file;
    } cases[] = {
        { true, false,
            "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"vcd\" version=\"2.0\">",
            "PAL_VCD.mpg" },
        { true, true,
            "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"vcd\" version=\"2.0\">",
            "NTSC_VCD.mpg" },
        { false, false,
            "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"svcd\" version=\"1.0\">",
            "PAL_SVCD.mpg" },
        { false, true,
            "<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"svcd\" version=\"1.0\">",
            "NTSC_SVCD.mpg" },
    };
    for (const auto &c : cases) {
        Build b;
        b.settings.vcd = c.vcd;
        b.settings.ntsc = c.ntsc;
        const QString text = b.writtenText();
        EXPECT_TRUE(text.contains(
            QLatin1String("\r\n") + s(c.root) + QLatin1String("\r\n<option name=\"relaxed aps\"")))
            << c.file;
        EXPECT_EQ(text.contains(s("<option name=\"update scan offsets\" value=\"true\"/>\r\n<info>")), !c.vcd)
            << c.file;
        EXPECT_TRUE(text.contains(QLatin1String("\r\n    <sequence-item src=\"") + b.home.path() + u'/'
            + s(c.file) + QLatin1String("\" id=\"Sequence-0003\">\r\n")))
            << c.file;
    }
}

TEST(DescriptionWriter, NoSegmentItemsBlockWithoutStills)
{
    Build b;
    ProjectNode *m1 = b.add(b.root, "one.mpg");
    ProjectNode *m2 = b.add(b.root, "two.mpg");
    b.movie(m1);
    b.movie(m2);
    const QString text = b.writtenText();
    EXPECT_FALSE(text.contains(s("segment-items")));
    EXPECT_TRUE(text.contains(s("</pvd>\r\n  <sequence-items>\r\n")));
    EXPECT_TRUE(text.contains(s("    </sequence-item>\r\n"
                                "\t\t<sequence-item src=\"/album/one.mpg\" id=\"Segment-0002\"/>\r\n"
                                "\t\t<sequence-item src=\"/album/two.mpg\" id=\"Segment-0003\"/>\r\n"
                                "  </sequence-items>\r\n")));
}

// Paths go into attributes: anything XML gives a meaning to must come back as
// the same path when the file is parsed.
TEST(DescriptionWriter, PathsAreEscapedAndReadBackUnchanged)
{
    Build b;
    QTemporaryDir oddHome;
    const QString programFolder = oddHome.path() + s("/Tom & Jerry <\"best\">");
    ASSERT_TRUE(QDir().mkpath(programFolder));
    QFile(programFolder + s("/PAL_SVCD.mpg")).open(QIODevice::WriteOnly);
    qputenv("KELVARA_HOME", QFile::encodeName(programFolder));
    ProgramFolder::reset();

    const QString folder = s("/album/R&B <live> \"2001\"\tÉté\n");
    ProjectNode *entry = b.checked(b.tree.addChild(b.root, folder, folder.mid(7)));
    ProjectNode *movie = b.add(entry, "a&b.mpg");
    b.movie(movie);
    const QByteArray bytes = b.written();
    qputenv("KELVARA_HOME", QFile::encodeName(b.home.path()));
    ProgramFolder::reset();

    EXPECT_TRUE(bytes.contains(
        "src=\"/album/R&amp;B &lt;live&gt; &quot;2001&quot;&#9;\xC3\x89t\xC3\xA9&#10;/a&amp;b.mpg\""))
        << bytes.constData();
    QStringList sources;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("sequence-item"))
            sources << xml.attributes().value(QLatin1String("src")).toString();
    }
    ASSERT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    EXPECT_EQ(sources, QStringList({ programFolder + s("/PAL_SVCD.mpg"), movie->fullPath() }));
}

TEST(DescriptionWriter, NameWithAControlCharacterIsRefusedClearly)
{
    Build b;
    ProjectNode *pic = b.add(b.root, "bad\x01name.jpg");
    try {
        b.writer.addSegmentItem({ pic, false }, pic->fullPath());
        FAIL() << "a control character was written into vcd.xml";
    } catch (const KelvaraError &e) {
        EXPECT_TRUE(e.description().contains(s("/album/bad?name.jpg"))) << qPrintable(e.description());
    }
    EXPECT_TRUE(b.writer.segmentItems().isEmpty());
}

TEST(DescriptionWriter, FailedWriteThrowsAndLeavesNoPartialFile)
{
    {
        // Missing build folder.
        Build b;
        b.settings.destinationDir = b.buildDir.path() + s("/missing");
        try {
            b.writer.write();
            FAIL() << "createxml reported success without a build folder";
        } catch (const KelvaraError &e) {
            EXPECT_TRUE(e.description().contains(b.buildDir.path() + s("/missing")))
                << qPrintable(e.description());
        }
        EXPECT_FALSE(QFile::exists(b.buildDir.path() + s("/missing/vcd.xml")));
    }
    {
        // vcd.xml cannot be replaced (a folder stands in its place).
        Build b;
        ASSERT_TRUE(QDir(b.buildDir.path()).mkdir(s("vcd.xml")));
        EXPECT_THROW(b.writer.write(), KelvaraError);
        EXPECT_EQ(QDir(b.buildDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList { s("vcd.xml") });
    }
}
