#include "gui/SettingsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "project/ProjectTree.h"
#include "settings/SettingsController.h"

namespace {

class SettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FormLocalizer::setLanguage(0);
        SettingsController::Hooks hooks;
        hooks.redrawSelected = [this] { ++m_redraws; };
        hooks.recordChanged = [this] {
            if (m_window)
                m_window->showRecord();
        };
        m_controller.setHooks(hooks);
        m_controller.setSizes();
        m_window = std::make_unique<SettingsWindow>(m_controller, m_prompter);
        m_redraws = 0;
    }

    void TearDown() override
    {
        if (m_window)
            m_window->unload();
        FormLocalizer::setLanguage(0);
    }

    template <class T> T *control(const char *name)
    {
        T *widget = m_window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QRadioButton *option(const char *name) { return control<QRadioButton>(name); }
    QLineEdit *field(const char *name) { return control<QLineEdit>(name); }
    QCheckBox *check(const char *name) { return control<QCheckBox>(name); }

    // Shows the window and makes it active, so focus moves as for a user.
    void showActive()
    {
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Types text into a field that has the focus, replacing what it held.
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    static void moveFocusTo(QWidget *next)
    {
        next->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QApplication::processEvents();
    }

    // Closing the window writes the settings: into a registry of the test's own.
    TestHome m_home;
    FakePrompter m_prompter;
    Settings m_settings;
    SettingsController m_controller { m_settings, m_prompter };
    std::unique_ptr<SettingsWindow> m_window;
    int m_redraws = 0;
};

} // namespace

TEST_F(SettingsWindowTest, LowResolutionIsOfferedOnlyForSvcd)
{
    m_settings.fullRebuild = true;
    option("optLowres")->click();
    ASSERT_TRUE(m_settings.lowRes);
    EXPECT_TRUE(option("optLowres")->isEnabled());

    // Choosing VCD moves Low to High and takes Low away, without a box.
    option("OptVCD")->click();
    EXPECT_TRUE(m_settings.vcd);
    EXPECT_FALSE(m_settings.lowRes);
    EXPECT_TRUE(option("opthighres")->isChecked());
    EXPECT_FALSE(option("optLowres")->isEnabled());
    EXPECT_EQ(field("txtWidth")->text(), QLatin1String("704"));
    option("optLowres")->click();
    EXPECT_FALSE(m_settings.lowRes);
    EXPECT_EQ(m_prompter.count(), 0);

    option("OptSVCD")->click();
    EXPECT_TRUE(option("optLowres")->isEnabled());
    option("optLowres")->click();
    EXPECT_EQ(field("txtWidth")->text(), QLatin1String("480"));
}

TEST_F(SettingsWindowTest, NumbersAreCheckedAsTypedWithTheReasonBeside)
{
    showActive();
    QLineEdit *timeout = field("txtTimeout");
    auto *timeoutReason = control<QLabel>("lblTimeoutReason");
    ASSERT_TRUE(timeoutReason->isHidden());

    // Letters never reach the field, and the disc keeps its timeout.
    typeInto(timeout, QStringLiteral("abc"));
    EXPECT_EQ(timeout->text(), QLatin1String("6"));
    EXPECT_EQ(m_settings.timeout, QLatin1String("6"));
    EXPECT_FALSE(timeoutReason->isHidden());
    EXPECT_EQ(timeoutReason->text(), QLatin1String("Whole seconds from 0 to 3600"));

    typeInto(timeout, QStringLiteral("500"));
    EXPECT_EQ(m_settings.timeout, QLatin1String("500"));
    EXPECT_TRUE(timeoutReason->isHidden());

    // Past an hour is no value: the stored one comes back when the field is left.
    typeInto(timeout, QStringLiteral("5000"));
    EXPECT_EQ(m_settings.timeout, QLatin1String("500"));
    EXPECT_FALSE(timeoutReason->isHidden());
    moveFocusTo(field("txtmaintitle"));
    EXPECT_EQ(timeout->text(), QLatin1String("500"));
    EXPECT_TRUE(timeoutReason->isHidden());

    QLineEdit *size = field("txtFontMenuSize");
    auto *sizeReason = control<QLabel>("lblFontSizeReason");
    typeInto(size, QStringLiteral("500"));
    EXPECT_EQ(m_settings.menuFontSize, QLatin1String("50"));
    EXPECT_EQ(sizeReason->text(), QLatin1String("Font sizes from 1 to 200"));
    typeInto(size, QStringLiteral("0"));
    EXPECT_EQ(m_settings.menuFontSize, QLatin1String("50"));
    moveFocusTo(field("txtmaintitle"));
    EXPECT_EQ(size->text(), QLatin1String("50"));

    // The reasons speak the interface language.
    FormLocalizer::setLanguage(2);
    typeInto(timeout, QStringLiteral("x"));
    EXPECT_EQ(timeoutReason->text(),
        StringTable::instance()
            .entry(2 * StringTable::LanguageStride + TextId::ReasonTimeout)
            .arg(0)
            .arg(3600));
    EXPECT_NE(timeoutReason->text(), QLatin1String("Whole seconds from 0 to 3600"));
}

TEST_F(SettingsWindowTest, HidingTheWindowSavesTheSettings)
{
    auto storedTitle = [] {
        FakePrompter quiet;
        Settings stored;
        SettingsController reader(stored, quiet);
        reader.readSettings();
        return stored.mainTitle;
    };
    // The close box, through the main window's show and hide.
    SettingsWindow::Callbacks callbacks;
    callbacks.showRequested = [&](bool visible) { m_window->showBeside(visible, QRect(100, 50, 800, 600)); };
    m_window->setCallbacks(callbacks);
    m_window->showBeside(true, QRect(100, 50, 800, 600));
    showActive();
    typeInto(field("txtmaintitle"), QStringLiteral("Summer"));
    m_window->close();
    EXPECT_EQ(storedTitle(), QLatin1String("Summer"));

    // Close on its own, with nobody to ask.
    m_window->setCallbacks({});
    showActive();
    typeInto(field("txtmaintitle"), QStringLiteral("Winter"));
    control<QPushButton>("pbClose")->click();
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(storedTitle(), QLatin1String("Winter"));
}

TEST_F(SettingsWindowTest, BoxesOfItsOwnSitOverTheSettingsWindow)
{
    m_window.reset();
    m_window = std::make_unique<SettingsWindow>(m_controller);
    EXPECT_NE(&m_controller.prompter(), &m_prompter);
    m_window->show();
    m_settings.fullRebuild = false;
    QWidget *owner = nullptr;
    QString title;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *shown = qobject_cast<QMessageBox *>(window); shown && shown->isVisible())
                box = shown;
        if (!box)
            return;
        owner = box->parentWidget();
        title = box->windowTitle();
        box->accept();
    });
    option("OptNTSC")->click();
    EXPECT_EQ(owner, m_window.get());
    EXPECT_EQ(title, QLatin1String("TV Format changed"));

    // The controller's own prompter comes back with the window gone.
    m_window->unload();
    m_window.reset();
    EXPECT_EQ(&m_controller.prompter(), &m_prompter);
}

TEST_F(SettingsWindowTest, FitsALaptopScreenWithATipOnEveryControl)
{
    // 1280 x 800 less a title bar and a panel.
    for (int language : { 0, 2, 5 }) {
        FormLocalizer::setLanguage(language);
        const QSize size = m_window->sizeHint();
        EXPECT_LE(size.width(), 1280) << language;
        EXPECT_LE(size.height(), 720) << language;
    }
    FormLocalizer::setLanguage(0);
    int controls = 0;
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
            || qobject_cast<QComboBox *>(widget) || qobject_cast<QSpinBox *>(widget);
        // Parts of a composite control (a list's edit field, the tab bar's arrows) are not controls.
        const QWidget *parent = widget->parentWidget();
        if (!control || widget->objectName().isEmpty()
            || widget->objectName().startsWith(QLatin1String("qt_"))
            || qobject_cast<const QComboBox *>(parent) || qobject_cast<const QSpinBox *>(parent)
            || qobject_cast<const QTabBar *>(parent))
            continue;
        ++controls;
        EXPECT_FALSE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
    }
    EXPECT_GE(controls, 42);
    EXPECT_EQ(control<QComboBox>("cmbLanguage")->itemText(1), QLatin1String("Nederlands"));
}

TEST_F(SettingsWindowTest, FullRebuildMessageOnlyWhileItIsOff)
{
    m_settings.fullRebuild = false;
    option("OptNTSC")->click();
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].title, QLatin1String("TV Format changed"));
    EXPECT_EQ(m_prompter.boxes()[0].text,
        QLatin1String("Changing the TV Format requires a Full Rebuild. Full Rebuild is set."));
    EXPECT_EQ(m_prompter.boxes()[0].icon, Prompter::Icon::None);
    EXPECT_TRUE(m_settings.fullRebuild);

    option("OptPal")->click();
    option("OptVCD")->click();
    option("OptSVCD")->click();
    option("optLowres")->click();
    EXPECT_EQ(m_prompter.count(), 1);

    m_settings.fullRebuild = false;
    option("opthighres")->click();
    ASSERT_EQ(m_prompter.count(), 2);
    EXPECT_EQ(m_prompter.boxes()[1].title, QLatin1String("Resolution changed"));
}

TEST_F(SettingsWindowTest, MarginIsClampedWhenTheFieldIsLeft)
{
    showActive();
    QLineEdit *margin = field("txtpercentage");
    typeInto(margin, QStringLiteral("30"));
    moveFocusTo(field("txtTimeout"));
    EXPECT_EQ(margin->text(), QLatin1String("25"));
    EXPECT_DOUBLE_EQ(m_settings.edgeFraction, 0.25);

    typeInto(margin, QStringLiteral("-3"));
    moveFocusTo(field("txtTimeout"));
    EXPECT_EQ(margin->text(), QLatin1String("0"));

    typeInto(margin, QStringLiteral("abc"));
    moveFocusTo(field("txtTimeout"));
    EXPECT_EQ(margin->text(), QLatin1String("0"));
    EXPECT_EQ(m_settings.correctPercentage, QLatin1String("0"));
}

TEST_F(SettingsWindowTest, NtscSvcdLowCentredShowsFrameAndCentre)
{
    m_settings.fullRebuild = true;
    ASSERT_TRUE(check("chkImageCentered")->isChecked());
    option("OptNTSC")->click();
    option("optLowres")->click();
    EXPECT_EQ(field("txtWidth")->text(), QLatin1String("480"));
    EXPECT_EQ(field("txtHeight")->text(), QLatin1String("480"));
    EXPECT_EQ(field("txtXCenter")->text(), QLatin1String("240"));
    EXPECT_EQ(field("txtYCenter")->text(), QLatin1String("240"));
    EXPECT_FALSE(field("txtXCenter")->isEnabled());
    EXPECT_FALSE(field("txtYCenter")->isEnabled());

    check("chkImageCentered")->click();
    EXPECT_TRUE(field("txtXCenter")->isEnabled());
    EXPECT_EQ(field("txtXCenter")->text(), QLatin1String("240"));
}

TEST_F(SettingsWindowTest, CentreOutsideTheFrameKeepsTheFocus)
{
    check("chkImageCentered")->click();
    showActive();
    QLineEdit *x = field("txtXCenter");
    QLineEdit *y = field("txtYCenter");
    ASSERT_EQ(field("txtWidth")->text(), QLatin1String("704"));

    typeInto(x, QStringLiteral("800"));
    moveFocusTo(y);
    EXPECT_EQ(QApplication::focusWidget(), x);
    EXPECT_EQ(m_settings.xCenter, QLatin1String("352"));
    EXPECT_EQ(m_prompter.count(), 0); // refused without a message

    typeInto(x, QStringLiteral("704"));
    moveFocusTo(y);
    EXPECT_EQ(QApplication::focusWidget(), y);
    EXPECT_EQ(m_settings.xCenter, QLatin1String("704"));
    EXPECT_GT(m_redraws, 0);

    typeInto(y, QStringLiteral("577"));
    moveFocusTo(x);
    EXPECT_EQ(QApplication::focusWidget(), y);
}

TEST_F(SettingsWindowTest, CloseBoxOnlyHidesTheWindow)
{
    QList<bool> requests;
    SettingsWindow::Callbacks callbacks;
    callbacks.showRequested = [&](bool visible) {
        requests.append(visible);
        m_window->showBeside(visible, QRect(100, 50, 800, 600));
    };
    m_window->setCallbacks(callbacks);
    m_window->showBeside(true, QRect(100, 50, 800, 600));
    ASSERT_TRUE(m_window->isVisible());
    check("chkShortcuts")->click();

    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(requests, QList<bool>({ false }));
    EXPECT_FALSE(m_settings.showSettings);
    // Hiding keeps every value.
    EXPECT_FALSE(check("chkShortcuts")->isChecked());
    EXPECT_FALSE(m_settings.shortcuts);

    control<QPushButton>("pbClose")->click();
    EXPECT_EQ(requests.size(), 2);
}

TEST_F(SettingsWindowTest, SitsBelowTheMainWindowAndInsideTheScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    EXPECT_EQ(SettingsWindow::placement(QRect(100, 50, 800, 400), QSize(700, 500), screen), QPoint(100, 450));
    // Would end below the screen: moved up to end on its bottom edge.
    EXPECT_EQ(
        SettingsWindow::placement(QRect(100, 300, 800, 600), QSize(700, 500), screen), QPoint(100, 580));
}

TEST_F(SettingsWindowTest, ChangingTheSourceFolderEmptiesTheTree)
{
    ProjectTree tree;
    tree.addRoot(QStringLiteral("/photos/"), QStringLiteral("photos"));
    SettingsWindow::Callbacks callbacks;
    callbacks.sourceChanged = [&] { tree.clear(); };
    m_window->setCallbacks(callbacks);

    QStringList asked;
    QString answer;
    m_window->setFolderBrowser([&](QWidget *, const QString &title, const QString &start) {
        asked << title << start;
        return answer;
    });
    m_settings.sourceDir = QStringLiteral("/photos");
    m_window->showRecord();
    EXPECT_FALSE(tree.isEmpty()); // showing the record is no change

    m_window->onSelectSourceClicked(); // cancelled
    EXPECT_EQ(asked, QStringList({ QStringLiteral("Select Source Path"), QStringLiteral("/photos") }));
    EXPECT_FALSE(tree.isEmpty());

    answer = QStringLiteral("/holiday");
    m_window->onSelectSourceClicked();
    EXPECT_TRUE(tree.isEmpty());
    EXPECT_EQ(m_settings.sourceDir, QLatin1String("/holiday"));
    EXPECT_EQ(field("txtSource")->text(), QLatin1String("/holiday"));

    tree.addRoot(QStringLiteral("/holiday/"), QStringLiteral("holiday"));
    QTest::keyClick(field("txtSource"), Qt::Key_2);
    EXPECT_TRUE(tree.isEmpty());
    EXPECT_EQ(m_settings.sourceDir, QLatin1String("/holiday2"));

    // The build folder has a browser of its own and leaves the tree alone.
    tree.addRoot(QStringLiteral("/holiday2/"), QStringLiteral("holiday2"));
    asked.clear();
    answer = QStringLiteral("/build");
    m_window->onSelectDestinationClicked();
    EXPECT_EQ(asked.value(0), QLatin1String("Select Build Path"));
    EXPECT_EQ(m_settings.destinationDir, QLatin1String("/build"));
    EXPECT_FALSE(tree.isEmpty());
}

TEST_F(SettingsWindowTest, LanguageRelabelsEveryOpenWindow)
{
    QWidget other;
    auto *button = new QPushButton(QStringLiteral("Show Settings"), &other);
    button->setProperty(FormLocalizer::TextIdProperty, TextId::ShowSettings);
    other.show();
    m_window->show();

    auto *languages = control<QComboBox>("cmbLanguage");
    ASSERT_EQ(languages->count(), 6);
    languages->setCurrentIndex(2); // German
    const auto german
        = [](int id) { return StringTable::instance().entry(2 * StringTable::LanguageStride + id); };
    ASSERT_FALSE(german(TextId::SettingsWindow).isEmpty());
    EXPECT_EQ(m_settings.language, 2);
    EXPECT_EQ(m_window->windowTitle(), german(TextId::SettingsWindow));
    EXPECT_EQ(control<QLabel>("Label1")->text(), german(TextId::SourcePath));
    EXPECT_EQ(check("chkCorrectEdges")->toolTip(), german(TextId::TipCorrectEdges));
    EXPECT_EQ(QString(button->text()).remove(u'&'), german(TextId::ShowSettings));
    // Captions without an id stay as designed.
    EXPECT_EQ(QString(option("OptNTSC")->text()).remove(u'&'), QLatin1String("NTSC"));

    languages->setCurrentIndex(0);
    EXPECT_EQ(m_window->windowTitle(), QLatin1String("Settings"));
    EXPECT_EQ(QString(button->text()).remove(u'&'), QLatin1String("Show Settings"));
}

TEST_F(SettingsWindowTest, ControlsShowTheRecord)
{
    EXPECT_EQ(m_window->windowTitle(), QLatin1String("Settings"));
    auto *filters = control<QComboBox>("cmbResize");
    ASSERT_EQ(filters->count(), 17);
    EXPECT_EQ(filters->itemText(0), QLatin1String("Nearest pixel"));
    EXPECT_EQ(filters->itemText(16), QLatin1String("Catrom"));
    EXPECT_EQ(filters->currentText(), QLatin1String("Mitchell"));
    EXPECT_GT(control<QComboBox>("cmbFontTitle")->count(), 0);
    EXPECT_EQ(control<QComboBox>("cmbFontPicture")->currentText(), QLatin1String("Arial"));
    EXPECT_EQ(field("txtFontTitleSize")->text(), QLatin1String("60"));
    EXPECT_EQ(field("txtmaintitle")->text(), QLatin1String("Your title"));
    EXPECT_TRUE(option("OptPal")->isChecked());
    EXPECT_TRUE(option("OptSVCD")->isChecked());
    EXPECT_TRUE(option("opthighres")->isChecked());
    EXPECT_EQ(option("optLowres")->toolTip(), QLatin1String("Size depends on choices above"));
    EXPECT_TRUE(field("txtTimeout")->toolTip().startsWith(QLatin1String("Enter the number of seconds")));

    // chkUseFilename is offered only for a date without the file name.
    EXPECT_TRUE(check("chkUseFilename")->isEnabled());
    check("chkDisplayFileName")->click();
    EXPECT_FALSE(check("chkUseFilename")->isEnabled());
    check("chkDisplayFileName")->click();
    check("chkDisplayDate")->click();
    EXPECT_FALSE(check("chkUseFilename")->isEnabled());
    EXPECT_FALSE(m_settings.displayDate);

    // The margin follows Correct edges.
    check("chkCorrectEdges")->click();
    EXPECT_FALSE(field("txtpercentage")->isEnabled());
}

TEST_F(SettingsWindowTest, ColourSwatchesAskAndKeepOnCancel)
{
    QColor answer = QColor(255, 0, 0);
    QColor offered;
    m_window->setColorChooser([&](const QColor &initial, QWidget *) {
        offered = initial;
        return answer;
    });
    control<QToolButton>("picColorMenu")->click();
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(m_settings.menuColor, 0x0000FFu); // 0x00BBGGRR
    EXPECT_EQ(m_redraws, 1);
    EXPECT_TRUE(control<QToolButton>("picColorMenu")->styleSheet().contains(QLatin1String("#ff0000")));

    answer = QColor(); // cancelled
    control<QToolButton>("picColorTitle")->click();
    EXPECT_EQ(offered, QColor(255, 255, 255));
    EXPECT_EQ(m_settings.titleColor, 0xFFFFFFu);
}

TEST_F(SettingsWindowTest, PositionButtonArmsAndCancelsThePlacement)
{
    bool armed = false;
    SettingsWindow::Callbacks callbacks;
    callbacks.placementArmed = [&] { return armed; };
    callbacks.setPlacementArmed = [&](bool on) { armed = on; };
    m_window->setCallbacks(callbacks);

    m_prompter.scriptAnswer(false);
    control<QPushButton>("cmdPosition")->click();
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].kind, FakePrompter::Kind::OkCancel);
    EXPECT_EQ(m_prompter.boxes()[0].title, QLatin1String("Set position of text"));
    EXPECT_FALSE(armed);

    m_prompter.scriptAnswer(true);
    control<QPushButton>("cmdPosition")->click();
    EXPECT_TRUE(armed);

    // A second press while armed cancels without asking.
    control<QPushButton>("cmdPosition")->click();
    EXPECT_FALSE(armed);
    EXPECT_EQ(m_prompter.count(), 2);
}

TEST_F(SettingsWindowTest, LookOnlyEditsRedrawWhenTheFieldIsLeft)
{
    showActive();
    QLineEdit *size = field("txtFontPictureSize");
    typeInto(size, QStringLiteral("48"));
    EXPECT_EQ(m_settings.pictureFontSize, QLatin1String("48"));
    EXPECT_EQ(m_redraws, 0);
    moveFocusTo(field("txtTimeout"));
    EXPECT_EQ(m_redraws, 1);

    control<QComboBox>("cmbResize")->setCurrentIndex(3);
    EXPECT_EQ(m_settings.resizeFilter, 3);
    EXPECT_EQ(m_redraws, 2);

    typeInto(field("txtTimeout"), QStringLiteral("0"));
    EXPECT_EQ(m_settings.timeout, QLatin1String("0"));
}
