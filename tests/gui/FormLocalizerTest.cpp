#include "gui/FormLocalizer.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

enum Language { English = 0, Dutch = 1, German = 2, Portuguese = 3, French = 5 };

QString textIn(Language language, int id)
{
    return StringTable::instance().entry(language * StringTable::LanguageStride + id);
}

class FormLocalizerTest : public ::testing::Test
{
protected:
    void TearDown() override { FormLocalizer::setLanguage(English); }
};

} // namespace

TEST_F(FormLocalizerTest, RelabelsControlsThatCarryAnIdAndLeavesTheOthers)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("design title"));
    window.setProperty(FormLocalizer::TextIdProperty, TextId::SettingsWindow);
    auto *layout = new QVBoxLayout(&window);

    auto *menuBar = new QMenuBar(&window);
    QMenu *fileMenu = menuBar->addMenu(QStringLiteral("file"));
    fileMenu->setProperty(FormLocalizer::TextIdProperty, TextId::MenuFile);
    QAction *exitAction = fileMenu->addAction(QStringLiteral("exit"));
    exitAction->setProperty(FormLocalizer::TextIdProperty, TextId::MenuExit);
    // An action shown here but owned elsewhere is still this window's caption.
    QObject owner;
    auto *aboutAction = new QAction(QStringLiteral("about"), &owner);
    aboutAction->setProperty(FormLocalizer::TextIdProperty, TextId::MenuAbout);
    window.addAction(aboutAction);

    auto *button = new QPushButton(QStringLiteral("read"), &window);
    button->setProperty(FormLocalizer::TextIdProperty, TextId::ReadStructure);
    auto *check = new QCheckBox(QStringLiteral("rebuild"), &window);
    check->setProperty(FormLocalizer::TextIdProperty, TextId::FullRebuild);
    check->setProperty(FormLocalizer::TipIdProperty, TextId::TipFullRebuild);
    auto *group = new QGroupBox(QStringLiteral("resolution"), &window);
    auto *option = new QRadioButton(QStringLiteral("high"), group);
    option->setProperty(FormLocalizer::TextIdProperty, TextId::HighResolution);
    group->setProperty(FormLocalizer::TextIdProperty, TextId::Resolution);
    auto *label = new QLabel(QStringLiteral("dirs"), &window);
    // Ids set from a form file arrive as text.
    label->setProperty(FormLocalizer::TextIdProperty, QStringLiteral("114"));
    auto *plain = new QPushButton(QStringLiteral("NTSC"), &window);
    auto *emptyId = new QLabel(QStringLiteral("X:"), &window);
    emptyId->setProperty(FormLocalizer::TextIdProperty, QString());
    auto *unknownId = new QPushButton(QStringLiteral("kept"), &window);
    unknownId->setProperty(FormLocalizer::TextIdProperty, 8888);
    auto *field = new QLineEdit(QStringLiteral("Your title"), &window);
    field->setProperty(FormLocalizer::TextIdProperty, TextId::MainTitle);
    for (QWidget *w :
        { static_cast<QWidget *>(button), static_cast<QWidget *>(check), static_cast<QWidget *>(group),
            static_cast<QWidget *>(label), static_cast<QWidget *>(plain), static_cast<QWidget *>(emptyId),
            static_cast<QWidget *>(unknownId), static_cast<QWidget *>(field) })
        layout->addWidget(w);

    FormLocalizer::setLanguage(Dutch);
    FormLocalizer::localizeWindow(&window);

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Instellingen"));
    EXPECT_EQ(QString(button->text()).remove(u'&'), QStringLiteral("Structuur inlezen"));
    EXPECT_EQ(QString(check->text()).remove(u'&'), textIn(Dutch, TextId::FullRebuild));
    EXPECT_EQ(check->toolTip(), textIn(Dutch, TextId::TipFullRebuild));
    EXPECT_EQ(group->title(), textIn(Dutch, TextId::Resolution));
    EXPECT_EQ(QString(option->text()).remove(u'&'), textIn(Dutch, TextId::HighResolution));
    EXPECT_EQ(label->text(), QStringLiteral("Mappen"));
    EXPECT_EQ(fileMenu->title(), QStringLiteral("Bestand"));
    EXPECT_EQ(exitAction->text(), QStringLiteral("Afsluiten"));
    EXPECT_EQ(aboutAction->text(), textIn(Dutch, TextId::MenuAbout));

    EXPECT_EQ(QString(plain->text()).remove(u'&'), QStringLiteral("NTSC"));
    EXPECT_EQ(emptyId->text(), QStringLiteral("X:"));
    EXPECT_EQ(QString(unknownId->text()).remove(u'&'), QStringLiteral("kept"));
    EXPECT_EQ(field->text(), QStringLiteral("Your title"));

    // And back: English replaces the Dutch captions, not only the design ones.
    FormLocalizer::setLanguage(English);
    FormLocalizer::localizeWindow(&window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(QString(button->text()).remove(u'&'), QStringLiteral("Read Structure"));
    EXPECT_EQ(label->text(), QStringLiteral("Directories"));
    EXPECT_EQ(check->toolTip(),
        QStringLiteral("If checked existing foto's in the build path will not be re-used."));
}

TEST_F(FormLocalizerTest, TitleChangesOnlyWhenTheLanguageHasIt)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("before"));
    window.setProperty(FormLocalizer::TextIdProperty, TextId::DebugLogging);
    auto *label = new QLabel(QStringLiteral("label"), &window);
    label->setProperty(FormLocalizer::TextIdProperty, TextId::DebugLogging);

    FormLocalizer::setLanguage(French);
    FormLocalizer::localizeWindow(&window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("before"));
    // A control falls back to English where the title does not.
    EXPECT_EQ(label->text(), QStringLiteral("Debug logging"));

    FormLocalizer::setLanguage(German);
    FormLocalizer::localizeWindow(&window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Debug-Protokoll"));

    FormLocalizer::setLanguage(French);
    FormLocalizer::localizeWindow(&window);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Debug-Protokoll"));
    EXPECT_EQ(label->text(), QStringLiteral("Debug logging"));
}

TEST_F(FormLocalizerTest, LanguageSwitchRelabelsEveryWindowShownOrHidden)
{
    QWidget shown;
    auto *read = new QPushButton(QStringLiteral("read"), &shown);
    read->setProperty(FormLocalizer::TextIdProperty, TextId::ReadStructure);
    shown.show();

    QWidget hidden;
    hidden.setProperty(FormLocalizer::TextIdProperty, TextId::BurnWindow);
    auto *start = new QPushButton(QStringLiteral("start"), &hidden);
    start->setProperty(FormLocalizer::TextIdProperty, TextId::StartBurn);

    QDialog dialog(&shown);
    dialog.setProperty(FormLocalizer::TextIdProperty, TextId::EditorWindow);
    auto *save = new QPushButton(QStringLiteral("save"), &dialog);
    save->setProperty(FormLocalizer::TextIdProperty, TextId::Save);

    int signalled = -1;
    QObject::connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged,
        [&signalled](int index) { signalled = index; });

    EXPECT_EQ(FormLocalizer::setLanguage(Portuguese), Portuguese);
    EXPECT_EQ(FormLocalizer::currentLanguage(), Portuguese);
    EXPECT_EQ(signalled, Portuguese);
    EXPECT_EQ(QString(read->text()).remove(u'&'), textIn(Portuguese, TextId::ReadStructure));
    EXPECT_EQ(hidden.windowTitle(), textIn(Portuguese, TextId::BurnWindow));
    EXPECT_EQ(QString(start->text()).remove(u'&'), textIn(Portuguese, TextId::StartBurn));
    EXPECT_EQ(dialog.windowTitle(), textIn(Portuguese, TextId::EditorWindow));
    EXPECT_EQ(QString(save->text()).remove(u'&'), textIn(Portuguese, TextId::Save));
    EXPECT_FALSE(hidden.isVisible());

    // A stored index outside the list (a hand-edited setting) gives English, not an empty interface.
    EXPECT_EQ(FormLocalizer::setLanguage(9), English);
    EXPECT_EQ(FormLocalizer::currentLanguage(), English);
    EXPECT_EQ(signalled, English);
    EXPECT_EQ(QString(read->text()).remove(u'&'), QStringLiteral("Read Structure"));
    EXPECT_EQ(FormLocalizer::setLanguage(-1), English);
}

TEST_F(FormLocalizerTest, LanguageListMatchesTheTextBlocks)
{
    const QStringList names = FormLocalizer::languageNames();
    ASSERT_EQ(names.size(), StringTable::LanguageCount);
    EXPECT_EQ(names.first(), QStringLiteral("English"));
    EXPECT_EQ(names.at(French), QStringLiteral("Français"));
    EXPECT_EQ(names.at(German), QStringLiteral("Deutsch"));
    EXPECT_EQ(StringTable::languageCode(French), QStringLiteral("fr"));
}
