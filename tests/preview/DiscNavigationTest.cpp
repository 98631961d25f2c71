#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>

#include "BuildFixture.h"
#include "FakePrompter.h"
#include "TestHome.h"
#include "authoring/BuildDriver.h"
#include "authoring/BuildOutput.h"
#include "authoring/Workspace.h"
#include "base/Guard.h"
#include "preview/PreviewNavigator.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "project/TreeEditor.h"

using namespace Qt::StringLiterals;

namespace {

// One <selection> of vcd.xml: the state each key of the player leads to.
struct Selection
{
    QString prev, next, back, enter, timeout;
    QStringList keys;
};

QMap<QString, Selection> readSelections(const QString &path, QStringList *order)
{
    QMap<QString, Selection> selections;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QString current;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == "selection"_L1)
            current.clear();
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString ref = xml.attributes().value("ref"_L1).toString();
        if (xml.name() == "selection"_L1) {
            current = xml.attributes().value("id"_L1).toString();
            selections[current];
            order->append(current);
        } else if (current.isEmpty()) {
            continue;
        } else if (xml.name() == "prev"_L1) {
            selections[current].prev = ref;
        } else if (xml.name() == "next"_L1) {
            selections[current].next = ref;
        } else if (xml.name() == "return"_L1) {
            selections[current].back = ref;
        } else if (xml.name() == "default"_L1) {
            selections[current].enter = ref;
        } else if (xml.name() == "timeout"_L1) {
            selections[current].timeout = ref;
        } else if (xml.name() == "select"_L1) {
            selections[current].keys.append(ref);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return selections;
}

// Builds an album with the real walk and tools, then drives the preview over
// the same tree and settings.
class DiscNavigation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_home.installTools();
        m_oldHandler
            = Guard::setFatalHandler([this](const QString &procedure, int number, const QString &text) {
                  m_fatal.append(procedure + u": "_s + QString::number(number) + u' ' + text);
              });
        m_nav.setPaneSize(QSize(88, 72));
    }
    void TearDown() override { Guard::setFatalHandler(m_oldHandler); }

    QString album(const QString &relative = {}) const { return m_dir.path() + u"/album/"_s + relative; }

    void picture(const QString &relative, int seed, const char *caption = nullptr)
    {
        QDir().mkpath(QFileInfo(album(relative)).path());
        BuildFixture::paintJpeg(album(relative), 64, 48, seed);
        if (!caption)
            return;
        QFile text(album(relative).chopped(4) + u".txt"_s);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write(caption);
    }

    // beforeBuild runs between the scan and the build, as the user's edits do.
    void build(const QString &source, const std::function<void()> &beforeBuild = {})
    {
        Settings &s = m_ws.settings;
        s.sourceDir = source;
        s.destinationDir = m_dir.path() + u"/build"_s;
        QDir().mkpath(s.destinationDir);
        s.vcd = false;
        s.ntsc = false;
        s.lowRes = false;
        s.antiFlicker = false;
        s.fastPreview = true;
        s.mainTitle = u"Holidays"_s;
        m_ws.controller.setSizes();
        ASSERT_TRUE(m_ws.scanner.scan());
        if (beforeBuild)
            beforeBuild();

        BuildOutput output;
        BuildDriver driver(m_ws.settings, m_ws.tree, m_ws.renderer, m_ws.canvas, m_prompter, output);
        ASSERT_EQ(driver.build(), BuildDriver::Outcome::Succeeded)
            << m_prompter.texts().join(u'\n').toStdString();
        ASSERT_TRUE(m_fatal.isEmpty()) << m_fatal.join(u'\n').toStdString();
        m_selections = readSelections(s.destinationDir + u"/vcd.xml"_s, &m_order);
        ASSERT_FALSE(m_selections.isEmpty());
    }

    DiscState stateOf(const QString &id) const
    {
        QString number = id.mid(QStringLiteral("Selection-").size());
        const bool caption = number.startsWith(u"text"_s);
        if (caption)
            number = number.mid(4);
        return { m_ws.tree.nodeByIndex(number.toInt()), caption };
    }

    // Pictures and movies as a click in the tree shows them; menu pages and
    // captions as the remote reaches them.
    void show(const QString &id)
    {
        const DiscState state = stateOf(id);
        ASSERT_TRUE(state.isValid()) << id.toStdString();
        if (!state.caption && !QFileInfo(state.node->fullPath()).isDir())
            m_nav.showFromTree(state.node);
        else
            m_nav.showState(state);
        ASSERT_EQ(m_nav.shownStateId(), id);
    }

    void expectEveryKeyToFollowTheDisc()
    {
        // The preview knows the same states, in the order the disc lists them.
        QStringList modelOrder;
        const NavigationModel model = m_nav.navigation();
        for (const DiscState &state : model.states())
            modelOrder.append(state.selectionId());
        EXPECT_EQ(modelOrder, m_order);

        for (auto it = m_selections.cbegin(); it != m_selections.cend(); ++it) {
            const QString &id = it.key();
            const Selection &disc = it.value();
            const struct
            {
                const char *name;
                std::function<void()> press;
                QString target;
            } keys[] = {
                { "Previous", [this] { m_nav.pressPrevious(); }, disc.prev },
                { "Next", [this] { m_nav.pressNext(); }, disc.next },
                { "Return", [this] { m_nav.pressReturn(); }, disc.back },
                { "Enter", [this] { m_nav.pressEnter(); }, disc.enter },
                { "timeout", [this] { m_nav.followTimeout(); }, disc.timeout },
            };
            for (const auto &key : keys) {
                show(id);
                key.press();
                // Without a link the player stays where it is.
                EXPECT_EQ(m_nav.shownStateId(), key.target.isEmpty() ? id : key.target)
                    << key.name << " from " << id.toStdString();
            }
            // One key past the page's last does nothing.
            for (int k = 1; k <= disc.keys.size() + 1; ++k) {
                show(id);
                m_nav.pressNumber(k);
                EXPECT_EQ(m_nav.shownStateId(), k <= disc.keys.size() ? disc.keys[k - 1] : id)
                    << "key " << k << " from " << id.toStdString();
            }
        }
    }

    ProjectNode *nodeAt(const QString &relative) const
    {
        return m_ws.tree.nodeByKey(m_ws.settings.sourceDir + u'/' + relative);
    }

    QString idOf(const QString &relative) const
    {
        const ProjectNode *node = m_ws.tree.nodeByKey(m_ws.settings.sourceDir + u'/' + relative);
        return node ? u"Selection-"_s + DiscState::indexNumber(node->index()) : QString();
    }

    TestHome m_home;
    QTemporaryDir m_dir;
    FakePrompter m_prompter;
    Workspace m_ws { m_prompter };
    PreviewNavigator m_nav { m_ws.settings, m_ws.tree, m_ws.canvas, m_ws.renderer };
    QMap<QString, Selection> m_selections;
    QStringList m_order;
    QStringList m_fatal;
    Guard::FatalHandler m_oldHandler;
};

TEST_F(DiscNavigation, SampleAlbumKeysLandWhereTheDiscGoes)
{
    const QString sample = qEnvironmentVariable("KELVARA_SOURCE_DIR") + u"/resources/sample-album"_s;
    ASSERT_TRUE(QFileInfo(sample).isDir()) << sample.toStdString();
    ASSERT_TRUE(QDir().mkpath(album()));
    for (const QString &entry : QDir(sample).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QDir().mkpath(album(entry));
        for (const QString &file : QDir(sample + u'/' + entry).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(sample + u'/' + entry + u'/' + file, album(entry + u'/' + file)));
    }
    ASSERT_NO_FATAL_FAILURE(build(album().chopped(1)));
    expectEveryKeyToFollowTheDisc();

    // Return from a picture of the third entry highlights the third entry.
    ProjectNode *third = m_ws.tree.root()->child(2);
    ASSERT_TRUE(third->hasChildren());
    m_nav.showFromTree(third->child(1));
    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), m_ws.tree.root());
    EXPECT_EQ(m_nav.highlightedEntry(), third);
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
    EXPECT_EQ(
        m_nav.shownStateId(), m_selections.value(idOf(third->text() + u'/' + third->child(1)->text())).back);
}

TEST_F(DiscNavigation, ThreeLevelAlbumOnTwoMenuPagesKeysLandWhereTheDiscGoes)
{
    // The main menu, entries with folders of their own, pictures with and
    // without captions, a movie, and more entries than one page holds.
    for (int i = 1; i <= 12; ++i) {
        const QString entry = u"E%1/"_s.arg(i, 2, 10, QLatin1Char('0'));
        if (i == 3) {
            picture(entry + u"Harbour/h1.jpg"_s, 31, "Boats at dawn");
            picture(entry + u"Harbour/h2.jpg"_s, 32);
            picture(entry + u"Market/m1.jpg"_s, 33);
            picture(entry + u"Old Town/o1.jpg"_s, 34);
            picture(entry + u"Old Town/o2.jpg"_s, 35, "The clock tower");
            continue;
        }
        picture(entry + u"a.jpg"_s, i, i == 2 ? "A caption" : nullptr);
        picture(entry + u"b.jpg"_s, i + 40, i == 11 ? "Last caption" : nullptr);
    }
    BuildFixture::makeMovie(album(u"E05/clip.mpg"_s), BuildFixture::Format::PalSvcd);
    ASSERT_NO_FATAL_FAILURE(build(album().chopped(1)));
    ProjectNode *root = m_ws.tree.root();
    ASSERT_EQ(root->childCount(), 12);
    ASSERT_LT(m_ws.renderer.entriesPerPage(root), 12) << "the main menu fits on one page";
    ASSERT_EQ(root->child(2)->childCount(), 3);
    expectEveryKeyToFollowTheDisc();

    // From a sub-menu's picture Return goes to the sub-menu, its entry highlighted.
    ProjectNode *oldTown = root->child(2)->child(2);
    m_nav.showFromTree(oldTown->child(1));
    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root->child(2));
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root);
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
}

TEST_F(DiscNavigation, UncheckedEntriesAndPicturesLeaveTheDiscAndTheKeysFollow)
{
    // City unchecked as the tree's box does it (its pictures with it);
    // Harbour unchecked alone, its pictures keeping their marks; one picture
    // of Beach unchecked; Empty with every picture unchecked; Trips with
    // every sub-folder unchecked; Park holds a link back to the album.
    picture(u"Beach/b1.jpg"_s, 1);
    picture(u"Beach/b2.jpg"_s, 2, "Sand");
    picture(u"Beach/b3.jpg"_s, 3);
    picture(u"City/c1.jpg"_s, 4);
    picture(u"City/c2.jpg"_s, 5);
    picture(u"City/c3.jpg"_s, 6);
    picture(u"Empty/e1.jpg"_s, 7);
    picture(u"Harbour/h1.jpg"_s, 8);
    picture(u"Park/p1.jpg"_s, 9);
    picture(u"Park/p2.jpg"_s, 10);
    picture(u"Trips/North/n1.jpg"_s, 11);
    ASSERT_TRUE(QFile::link(u".."_s, album(u"Park/up"_s)));
    TreeEditor editor(m_ws.tree, m_prompter);
    const auto uncheck = [&](const QString &relative, bool alone = false) {
        ProjectNode *node = nodeAt(relative);
        ASSERT_NE(node, nullptr) << relative.toStdString();
        m_ws.tree.setChecked(node, false);
        if (!alone)
            editor.setChecked(node);
    };
    ASSERT_NO_FATAL_FAILURE(build(album().chopped(1), [&] {
        uncheck(u"City"_s);
        uncheck(u"Harbour"_s, true);
        uncheck(u"Beach/b2.jpg"_s);
        uncheck(u"Empty/e1.jpg"_s);
        uncheck(u"Trips/North"_s);
    }));

    for (const char *gone : { "City", "City/c1.jpg", "City/c3.jpg", "Harbour", "Harbour/h1.jpg",
             "Beach/b2.jpg", "Empty/e1.jpg", "Trips/North", "Trips/North/n1.jpg" }) {
        EXPECT_FALSE(m_selections.contains(idOf(QString::fromUtf8(gone)))) << gone;
    }
    EXPECT_FALSE(m_selections.contains(idOf(u"Beach/b2.jpg"_s).replace(u"-"_s, u"-text"_s)));
    QFile xml(m_ws.settings.destinationDir + u"/vcd.xml"_s);
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    const QByteArray written = xml.readAll();
    EXPECT_FALSE(written.contains("City/")) << "a still of an unchecked folder is on the disc";
    EXPECT_FALSE(written.contains("b2.mpg"));
    EXPECT_FALSE(written.contains("b2_text.mpg"));

    // The main menu numbers its four entries without a gap; each key opens
    // the entry's first picture, or the entry itself when nothing is in it.
    const QStringList entries { u"Beach"_s, u"Empty"_s, u"Park"_s, u"Trips"_s };
    const QStringList keys { idOf(u"Beach/b1.jpg"_s), idOf(u"Empty"_s), idOf(u"Park/p1.jpg"_s),
        idOf(u"Trips"_s) };
    for (int number = 1; number <= entries.size(); ++number) {
        const Selection entry = m_selections.value(idOf(entries[number - 1]));
        EXPECT_EQ(entry.keys, keys) << "entry " << number;
        const MenuPage page = m_ws.renderer.makeMenu(m_ws.tree.root(), number);
        EXPECT_EQ(page.entryCount, 4);
        EXPECT_EQ(page.entryNode, nodeAt(entries[number - 1]));
    }
    EXPECT_EQ(m_selections.value(idOf(u"Beach"_s)).next, idOf(u"Empty"_s));
    EXPECT_TRUE(m_selections.value(idOf(u"Empty"_s)).enter.isEmpty());
    EXPECT_TRUE(m_selections.value(idOf(u"Trips"_s)).enter.isEmpty());
    EXPECT_EQ(m_selections.value(idOf(u"Beach/b1.jpg"_s)).next, idOf(u"Beach/b3.jpg"_s));
    EXPECT_EQ(m_selections.value(idOf(u"Beach/b3.jpg"_s)).prev, idOf(u"Beach/b1.jpg"_s));
    // The link back up is no folder: Park keeps its pictures.
    EXPECT_EQ(m_selections.value(idOf(u"Park/p1.jpg"_s)).next, idOf(u"Park/p2.jpg"_s));

    expectEveryKeyToFollowTheDisc();
}

} // namespace
