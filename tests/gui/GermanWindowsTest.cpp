// Every text a person can read in the main, settings and burn windows, and in
// the messages they raise, comes from the string table of the language
// chosen: with German chosen, no English is left anywhere.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

#include "FakePrompter.h"
#include "StandInTools.h"
#include "TestHome.h"
#include "base/StringTable.h"
#include "gui/Accelerators.h"
#include "gui/BurnWindow.h"
#include "gui/FormLocalizer.h"
#include "gui/MainWindow.h"
#include "gui/SettingsWindow.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int German = 2;

QString withoutMarks(QString text)
{
    return text.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(u'&').replace(u'\x01', u'&');
}

// Matches a text against every German entry, with "%N" standing for anything
// (a number, a path, another entry).
class GermanTable
{
public:
    GermanTable()
    {
        const StringTable &table = StringTable::instance();
        const int offset = German * StringTable::LanguageStride;
        for (int id : table.ids(offset)) {
            const QString entry = withoutMarks(table.entry(offset + id)).trimmed();
            QString pattern = QRegularExpression::escape(entry);
            pattern.replace(QRegularExpression(QStringLiteral("\\\\%\\d")), QStringLiteral(".*"));
            m_patterns << QRegularExpression(QLatin1String("^") + pattern + QLatin1String("$"),
                QRegularExpression::DotMatchesEverythingOption);
        }
    }

    // A line composed of entries joined by " · " is known when each part is.
    bool knows(const QString &text) const
    {
        if (knowsWhole(text))
            return true;
        const QStringList parts = text.split(u" · "_s);
        return parts.size() > 1 && std::all_of(parts.cbegin(), parts.cend(), [this](const QString &part) {
            return knowsWhole(part);
        });
    }

    bool knowsWhole(const QString &text) const
    {
        for (const QRegularExpression &pattern : m_patterns) {
            if (pattern.match(text).hasMatch())
                return true;
        }
        return false;
    }

private:
    QList<QRegularExpression> m_patterns;
};

// Words that are the same in every language: names and symbols.
bool isLanguageFree(const QString &text)
{
    static const QRegularExpression names(
        QStringLiteral("^(Kelvara|VCD|SVCD|PAL|NTSC|\\(S\\)VCD|MB|cdrdao|cdrecord|\\.\\.\\.|…|\\p{L}:?|/"
                       ".*|Version: \\S+)$"));
    static const QRegularExpression noWords(QStringLiteral("^[^\\p{L}]*$"));
    return names.match(text).hasMatch() || noWords.match(text).hasMatch();
}

bool shownIn(const QWidget *widget, const QWidget *window)
{
    for (const QWidget *w = widget; w && w != window; w = w->parentWidget()) {
        // A tab page the user can switch to counts as shown.
        if (w->isHidden()
            && !qobject_cast<const QTabWidget *>(
                w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            return false;
    }
    return true;
}

// Each text of the window with the object it belongs to.
QList<QPair<QString, QString>> readableTexts(QWidget *window)
{
    QList<QPair<QString, QString>> texts;
    const auto add = [&texts](const QObject *owner, const QString &text) {
        const QString plain = withoutMarks(text).trimmed();
        if (!plain.isEmpty())
            texts.append(
                { owner->objectName() + u'(' + QLatin1String(owner->metaObject()->className()) + u')',
                    plain });
    };
    add(window, window->windowTitle());
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget->window() != window || !shownIn(widget, window))
            continue;
        add(widget, widget->toolTip());
        if (auto *label = qobject_cast<QLabel *>(widget))
            add(label, label->text());
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            add(button, button->text());
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            add(group, group->title());
        else if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs, tabs->tabText(i));
        } else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            add(edit, edit->placeholderText().startsWith(u'/') ? QString() : edit->placeholderText());
    }
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        const QList<QAction *> menus = main->menuBar()->actions();
        for (QAction *menu : menus) {
            add(menu, menu->text());
            for (QAction *action : menu->menu()->actions()) {
                if (!action->isSeparator() && !action->text().startsWith(u'/'))
                    add(action, action->text());
            }
        }
    }
    return texts;
}

QStringList englishLeft(QWidget *window, const GermanTable &german)
{
    QStringList left;
    for (const auto &[owner, text] : readableTexts(window)) {
        if (!isLanguageFree(text) && !german.knows(text))
            left << owner + QLatin1String(": ") + text;
    }
    return left;
}

// Every button with a caption can be reached with Alt and a letter, and no
// two share a letter.
QStringList buttonsWithoutAccelerator(QWidget *window)
{
    QStringList problems;
    // Letters of buttons off the tab pages, and of each page.
    QHash<const QWidget *, QString> used;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->window() != window || !shownIn(button, window) || qobject_cast<QToolButton *>(button)
            || withoutMarks(button->text()).contains(QRegularExpression(QStringLiteral("^[^\\p{L}]*$"))))
            continue;
        const QWidget *page = Accelerators::pageOf(button);
        const QChar letter = Accelerators::of(button->text());
        if (letter.isNull() || used.value(page).contains(letter) || used.value(nullptr).contains(letter))
            problems << button->objectName() + QLatin1String(": ") + button->text();
        used[page] += letter;
    }
    return problems;
}

class GermanWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_home.installTools();
        m_window.setSplashEnabled(false);
        m_window.setEndProgram([] {});
        ASSERT_TRUE(m_window.start());
        FormLocalizer::setLanguage(German);
    }
    void TearDown() override { FormLocalizer::setLanguage(0); }

    void photo(const QString &relative)
    {
        const QString path = m_album.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(96, 64, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        ASSERT_TRUE(image.save(path, "JPEG", 90));
    }

    TestHome m_home;
    QTemporaryDir m_album;
    QTemporaryDir m_build;
    FakePrompter m_prompter;
    GermanTable m_german;
    ::MainWindow m_window { &m_prompter };
};

} // namespace

TEST_F(GermanWindowsTest, FirstStartAlbumAndSettingsSpeakOnlyGerman)
{
    // The first start: no album yet.
    m_window.show();
    EXPECT_EQ(englishLeft(&m_window, m_german).join(u"\n"_s).toStdString(), "");

    // An album read, with a skipped file, and the settings window open.
    photo(QStringLiteral("See/a.jpg"));
    photo(QStringLiteral("Stadt/b.jpg"));
    QFile note(m_album.filePath(QStringLiteral("Stadt/notes.doc")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("not a picture");
    note.close();
    m_window.settings().destinationDir = m_build.path();
    m_window.openAlbum(m_album.path());
    m_window.setSettingsVisible(true);
    EXPECT_EQ(englishLeft(&m_window, m_german).join(u"\n"_s).toStdString(), "");
    EXPECT_EQ(buttonsWithoutAccelerator(&m_window).join(u"\n"_s).toStdString(), "");
    SettingsWindow *settings = m_window.settingsWindow();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(englishLeft(settings, m_german).join(u"\n"_s).toStdString(), "");
    EXPECT_EQ(buttonsWithoutAccelerator(settings).join(u"\n"_s).toStdString(), "");

    // A real build: the result bar and the status line after it.
    m_window.onCreateClicked();
    auto *result = m_window.findChild<QWidget *>(QStringLiteral("resultBar"));
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isVisibleTo(&m_window));
    EXPECT_EQ(englishLeft(&m_window, m_german).join(u"\n"_s).toStdString(), "");
    EXPECT_TRUE(m_german.knows(m_window.statusBar()->currentMessage()))
        << qPrintable(m_window.statusBar()->currentMessage());

    // A timeout the field refuses says why, in German.
    auto *timeout = settings->findChild<QLineEdit *>(QStringLiteral("txtTimeout"));
    ASSERT_NE(timeout, nullptr);
    timeout->setText(QStringLiteral("abc"));
    EXPECT_EQ(englishLeft(settings, m_german).join(u"\n"_s).toStdString(), "");

    // Messages the window raises.
    m_window.settings().sourceDir = m_album.filePath(QStringLiteral("gone"));
    m_window.onReadStructureClicked();
    m_window.workspace().tree.clear();
    m_window.onCreateClicked();
    ASSERT_GE(m_prompter.count(), 1);
    for (const auto &box : m_prompter.boxes()) {
        EXPECT_TRUE(m_german.knows(withoutMarks(box.title).trimmed())) << qPrintable(box.title);
        EXPECT_TRUE(m_german.knows(withoutMarks(box.text).trimmed())) << qPrintable(box.text);
    }
}

TEST_F(GermanWindowsTest, BurnWindowSpeaksOnlyGerman)
{
    StandInTools tools(m_home.path());
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    FakePrompter prompter;
    BurnWindow burn(nullptr, &prompter);
    burn.show();
    burn.onActivated();
    FormLocalizer::localizeWindow(&burn);
    EXPECT_EQ(englishLeft(&burn, m_german).join(u"\n"_s).toStdString(), "");
    EXPECT_EQ(buttonsWithoutAccelerator(&burn).join(u"\n"_s).toStdString(), "");

    // No writer answers: the message passes on the tool's reason in German.
    tools.setExitCode(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), 1);
    tools.setOutput(
        QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("wodim-scanbus-nodrive.txt"));
    BurnWindow none(nullptr, &prompter);
    none.show();
    none.onActivated();
    ASSERT_GE(prompter.count(), 1);
    for (const auto &box : prompter.boxes()) {
        EXPECT_TRUE(m_german.knows(withoutMarks(box.title).trimmed())) << qPrintable(box.title);
        EXPECT_TRUE(m_german.knows(box.text.section(u'\n', 0, 0).trimmed())) << qPrintable(box.text);
    }
}
