#include "gui/SettingsWindow.h"

#include <utility>

#include <QDir>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/Guard.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "gui/MessageBoxPrompter.h"
#include "settings/SettingsController.h"

namespace {

template <class T> T *named(T *widget, const char *name, int textId = 0, int tipId = 0)
{
    widget->setObjectName(QLatin1String(name));
    if (textId)
        widget->setProperty(FormLocalizer::TextIdProperty, textId);
    if (tipId)
        widget->setProperty(FormLocalizer::TipIdProperty, tipId);
    return widget;
}

QLabel *label(const QString &text, const char *name, int textId = 0)
{
    return named(new QLabel(text), name, textId);
}

// Sets a text only when it differs, so the cursor of a field stays put.
void setText(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

void setEditText(QComboBox *list, const QString &text)
{
    if (list->currentText() != text)
        list->setEditText(text);
}

// A refusal is read next to the field, small and in red, and takes no room
// while there is nothing to say.
QLabel *reasonLabel(const char *name)
{
    auto *reason = named(new QLabel, name);
    reason->setStyleSheet(QStringLiteral("QLabel { color: #c00000; }"));
    QFont small = reason->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    reason->setFont(small);
    reason->setWordWrap(true);
    reason->hide();
    return reason;
}

QStringList filterNames()
{
    return { QStringLiteral("Nearest pixel"), QStringLiteral("Bi linear"), QStringLiteral("Bicubic"),
        QStringLiteral("Box"), QStringLiteral("Triangle"), QStringLiteral("Hamming"),
        QStringLiteral("Gaussian"), QStringLiteral("Bell"), QStringLiteral("B spline"),
        QStringLiteral("Cubic1"), QStringLiteral("Cubic2"), QStringLiteral("Lanczos3"),
        QStringLiteral("Mitchell"), QStringLiteral("Sinc"), QStringLiteral("Hermite"),
        QStringLiteral("Hanning"), QStringLiteral("Catrom") };
}

} // namespace

SettingsWindow::SettingsWindow(SettingsController &controller, Prompter &prompter, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_controller(controller)
    , m_settings(controller.settings())
    , m_prompter(&prompter)
{
    setUp();
}

SettingsWindow::SettingsWindow(SettingsController &controller, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_controller(controller)
    , m_settings(controller.settings())
    , m_ownPrompter(std::make_unique<MessageBoxPrompter>(this))
    , m_prompter(m_ownPrompter.get())
    , m_controllerPrompter(&controller.prompter())
{
    controller.setPrompter(*m_ownPrompter);
    setUp();
}

SettingsWindow::~SettingsWindow()
{
    if (m_controllerPrompter)
        m_controller.setPrompter(*m_controllerPrompter);
}

void SettingsWindow::setUp()
{
    setObjectName(QStringLiteral("SettingsWindow"));
    setProperty(FormLocalizer::TextIdProperty, TextId::SettingsWindow);
    setWindowTitle(QStringLiteral("Settings"));
    createControls();
    showRecord();
    connectControls();
    // Form_Load
    FormLocalizer::localizeWindow(this);
    relabelPages();
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, this, &SettingsWindow::relabelPages);
}

void SettingsWindow::createControls()
{
    // Folders, title and timeout.
    m_txtSource = named(new QLineEdit, "txtSource");
    m_cmdSelectSource = named(new QPushButton(QStringLiteral("...")), "cmdSelectSource");
    m_txtDestination = named(new QLineEdit, "txtDestination");
    // An empty build folder means the default one, made at the first build.
    m_txtDestination->setPlaceholderText(QDir::toNativeSeparators(SettingsController::defaultBuildFolder()));
    m_cmdSelectDestination = named(new QPushButton(QStringLiteral("...")), "cmdSelectDestination");
    m_txtmaintitle = named(new QLineEdit, "txtmaintitle");
    m_txtTimeout = named(new QLineEdit, "txtTimeout", 0, TextId::TipTimeout);
    m_txtTimeout->setMaximumWidth(60);
    for (QPushButton *browse : { m_cmdSelectSource, m_cmdSelectDestination })
        browse->setMaximumWidth(36);

    auto *paths = new QGridLayout;
    paths->addWidget(label(QStringLiteral("Source path"), "Label1", TextId::SourcePath), 0, 0);
    paths->addWidget(m_txtSource, 0, 1, 1, 2);
    paths->addWidget(m_cmdSelectSource, 0, 3);
    paths->addWidget(label(QStringLiteral("Build path"), "Label2", TextId::BuildPath), 1, 0);
    paths->addWidget(m_txtDestination, 1, 1, 1, 2);
    paths->addWidget(m_cmdSelectDestination, 1, 3);
    paths->addWidget(label(QStringLiteral("Main title"), "Label4", TextId::MainTitle), 2, 0);
    paths->addWidget(m_txtmaintitle, 2, 1, 1, 3);
    paths->addWidget(
        label(QStringLiteral("Picture timeout in sec. (0=infinite)"), "Label3", TextId::PictureTimeout), 3, 0,
        1, 2);
    auto *timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(m_txtTimeout);
    timeoutRow->addWidget(label(QStringLiteral("s"), "Label7"));
    m_lblTimeoutReason = reasonLabel("lblTimeoutReason");
    timeoutRow->addWidget(m_lblTimeoutReason, 1);
    timeoutRow->addStretch();
    paths->addLayout(timeoutRow, 3, 2, 1, 2);
    paths->setColumnStretch(1, 1);
    paths->setColumnStretch(2, 1);

    // Disc format: three option pairs.
    auto optionGroup
        = [](const QString &title, const char *name, int textId, QRadioButton *first, QRadioButton *second) {
              auto *group = named(new QGroupBox(title), name, textId);
              auto *layout = new QVBoxLayout(group);
              layout->addWidget(first);
              layout->addWidget(second);
              return group;
          };
    m_OptPal = named(new QRadioButton(QStringLiteral("PAL")), "OptPal");
    m_OptNTSC = named(new QRadioButton(QStringLiteral("NTSC")), "OptNTSC");
    m_OptSVCD = named(new QRadioButton(QStringLiteral("SVCD")), "OptSVCD");
    m_OptVCD = named(new QRadioButton(QStringLiteral("VCD")), "OptVCD");
    m_opthighres = named(new QRadioButton(QStringLiteral("High")), "opthighres", TextId::HighResolution,
        TextId::TipResolution);
    m_optLowres = named(
        new QRadioButton(QStringLiteral("Low")), "optLowres", TextId::LowResolution, TextId::TipResolution);
    auto *formats = new QHBoxLayout;
    formats->addWidget(
        optionGroup(QStringLiteral("TV Format"), "fraTvFormat", TextId::TvFormat, m_OptPal, m_OptNTSC));
    formats->addWidget(
        optionGroup(QStringLiteral("Output type"), "fraOutputType", TextId::OutputType, m_OptSVCD, m_OptVCD));
    formats->addWidget(optionGroup(
        QStringLiteral("Resolution"), "fraResolution", TextId::Resolution, m_opthighres, m_optLowres));

    // A folder's slideshow: on or off, and how its pictures change.
    m_chkSlideshowMusic = named(new QCheckBox(QStringLiteral("Slideshow with music")), "chkSlideshowMusic",
        TextId::SlideshowMusic, TextId::TipSlideshowMusic);
    m_spnSlideshowFade = named(new QSpinBox, "spnSlideshowFade", 0, TextId::TipSlideshowFade);
    m_spnSlideshowFade->setRange(0, SettingsController::MaxSlideshowFade);
    m_spnSlideshowFade->setSuffix(QStringLiteral(" s"));
    auto *slideshowRow = new QHBoxLayout;
    slideshowRow->addWidget(m_chkSlideshowMusic);
    slideshowRow->addSpacing(24);
    slideshowRow->addWidget(
        label(QStringLiteral("Cross-fade between pictures:"), "lblSlideshowFade", TextId::SlideshowFade));
    slideshowRow->addWidget(m_spnSlideshowFade);
    slideshowRow->addStretch();

    // Output resolution and corrections.
    m_txtWidth = named(new QLineEdit, "txtWidth");
    m_txtHeight = named(new QLineEdit, "txtHeight");
    for (QLineEdit *size : { m_txtWidth, m_txtHeight }) {
        size->setReadOnly(true);
        size->setMaximumWidth(60);
    }
    m_chkAntiFlicker = named(new QCheckBox(QStringLiteral("Anti flicker filter (less sharp)")),
        "chkAntiFlicker", TextId::AntiFlicker);
    m_chkCorrectAspect = named(new QCheckBox(QStringLiteral("Correct aspect ratio")), "chkCorrectAspect",
        TextId::CorrectAspect, TextId::TipCorrectAspect);
    m_chkCorrectEdges = named(new QCheckBox(QStringLiteral("Correct edges")), "chkCorrectEdges",
        TextId::CorrectEdges, TextId::TipCorrectEdges);
    m_txtpercentage = named(new QLineEdit, "txtpercentage");
    m_txtpercentage->setMaximumWidth(48);
    auto *outputGroup = named(
        new QGroupBox(QStringLiteral("Output resolution")), "fraOutputResolution", TextId::OutputResolution);
    auto *output = new QGridLayout(outputGroup);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_txtWidth);
    sizeRow->addWidget(label(QStringLiteral("X"), "Label8"));
    sizeRow->addWidget(m_txtHeight);
    sizeRow->addStretch();
    output->addLayout(sizeRow, 0, 0, 1, 3);
    output->addWidget(m_chkAntiFlicker, 1, 0, 1, 3);
    output->addWidget(m_chkCorrectAspect, 2, 0, 1, 3);
    output->addWidget(m_chkCorrectEdges, 3, 0);
    output->addWidget(m_txtpercentage, 3, 1);
    output->addWidget(label(QStringLiteral("%"), "Label6"), 3, 2);
    output->setColumnStretch(0, 1);

    // Image centre.
    m_txtXCenter = named(new QLineEdit, "txtXCenter");
    m_txtYCenter = named(new QLineEdit, "txtYCenter");
    for (QLineEdit *centre : { m_txtXCenter, m_txtYCenter })
        centre->setMaximumWidth(60);
    m_chkImageCentered
        = named(new QCheckBox(QStringLiteral("Centered")), "chkImageCentered", TextId::Centered);
    auto *centreGroup
        = named(new QGroupBox(QStringLiteral("Image Center")), "fraImageCenter", TextId::ImageCenter);
    auto *centre = new QGridLayout(centreGroup);
    centre->addWidget(label(QStringLiteral("X:"), "Label16"), 0, 0);
    centre->addWidget(m_txtXCenter, 0, 1);
    centre->addWidget(label(QStringLiteral("Y"), "Label17"), 1, 0);
    centre->addWidget(m_txtYCenter, 1, 1);
    centre->addWidget(m_chkImageCentered, 2, 0, 1, 2);
    m_lblCentreReason = reasonLabel("lblCentreReason");
    centre->addWidget(m_lblCentreReason, 3, 0, 1, 2);
    centre->setRowStretch(4, 1);

    auto *geometry = new QHBoxLayout;
    geometry->addWidget(outputGroup, 1);
    geometry->addWidget(centreGroup);

    // Fonts: three rows of typeface, size and colour.
    const QStringList families = QFontDatabase::families();
    auto fontList = [&](const char *name) {
        auto *list = named(new QComboBox, name);
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->addItems(families);
        list->setMinimumContentsLength(14);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        return list;
    };
    auto sizeField = [](const char *name) {
        auto *field = named(new QLineEdit, name);
        field->setMaximumWidth(48);
        return field;
    };
    auto swatch = [](const char *name) {
        auto *button = named(new QToolButton, name);
        button->setFixedSize(28, 22);
        button->setAutoRaise(false);
        return button;
    };
    m_cmbFontTitle = fontList("cmbFontTitle");
    m_txtFontTitleSize = sizeField("txtFontTitleSize");
    m_picColorTitle = swatch("picColorTitle");
    m_cmbFontMenu = fontList("cmbFontMenu");
    m_txtFontMenuSize = sizeField("txtFontMenuSize");
    m_picColorMenu = swatch("picColorMenu");
    m_cmbFontPicture = fontList("cmbFontPicture");
    m_txtFontPictureSize = sizeField("txtFontPictureSize");
    m_picColorPicture = swatch("picColorPicture");
    m_chkShortcuts = named(new QCheckBox(QStringLiteral("Shortcuts")), "chkShortcuts", TextId::Shortcuts);
    m_cmdPosition = named(new QPushButton(QStringLiteral("Position")), "cmdPosition", TextId::Position);

    auto *fontsGroup = named(new QGroupBox(QStringLiteral("Fonts")), "fraFonts", TextId::Fonts);
    auto *fonts = new QGridLayout(fontsGroup);
    fonts->addWidget(label(QStringLiteral("Size"), "Label10", TextId::Size), 0, 2);
    fonts->addWidget(label(QStringLiteral("Menu title"), "Label13", TextId::MenuTitle), 1, 0);
    fonts->addWidget(m_cmbFontTitle, 1, 1);
    fonts->addWidget(m_txtFontTitleSize, 1, 2);
    fonts->addWidget(m_picColorTitle, 1, 3);
    fonts->addWidget(label(QStringLiteral("Buttons"), "Label9", TextId::Buttons), 2, 0);
    fonts->addWidget(m_cmbFontMenu, 2, 1);
    fonts->addWidget(m_txtFontMenuSize, 2, 2);
    fonts->addWidget(m_picColorMenu, 2, 3);
    fonts->addWidget(label(QStringLiteral("Subscript"), "Label11", TextId::Subscript), 3, 0);
    fonts->addWidget(m_cmbFontPicture, 3, 1);
    fonts->addWidget(m_txtFontPictureSize, 3, 2);
    fonts->addWidget(m_picColorPicture, 3, 3);
    auto *fontOptions = new QHBoxLayout;
    fontOptions->addWidget(m_chkShortcuts);
    fontOptions->addStretch();
    fontOptions->addWidget(m_cmdPosition);
    m_lblFontSizeReason = reasonLabel("lblFontSizeReason");
    fonts->addWidget(m_lblFontSizeReason, 4, 0, 1, 4);
    fonts->addLayout(fontOptions, 5, 0, 1, 4);
    fonts->setColumnStretch(1, 1);
    // Two more "Size" captions stood over the other rows in the original
    // layout; one heading serves all three here, the others stay hidden.
    for (const char *name : { "Label12", "Label14" }) {
        QLabel *spare = label(QStringLiteral("Size"), name, TextId::Size);
        spare->setParent(fontsGroup);
        spare->hide();
    }

    // What is written under a picture.
    m_chkDisplayDate = named(
        new QCheckBox(QStringLiteral("Display date/time (EXIF)")), "chkDisplayDate", TextId::DisplayDate);
    m_chkDisplayFileName = named(
        new QCheckBox(QStringLiteral("Display filename")), "chkDisplayFileName", TextId::DisplayFileName);
    m_chkUseFilename = named(new QCheckBox(QStringLiteral(
                                 "Display filename if no date/time is found in JPG file (EXIF information)")),
        "chkUseFilename", TextId::UseFileName);
    m_chkDisplayInfo = named(new QCheckBox(QStringLiteral("Display info icon when infotext is present")),
        "chkDisplayInfo", TextId::DisplayInfo);
    auto *subscriptGroup = named(
        new QGroupBox(QStringLiteral("Image subscript")), "fraImageSubscript", TextId::ImageSubscript);
    auto *subscript = new QVBoxLayout(subscriptGroup);
    subscript->addWidget(m_chkDisplayDate);
    subscript->addWidget(m_chkDisplayFileName);
    subscript->addWidget(m_chkUseFilename);
    subscript->addWidget(m_chkDisplayInfo);

    // Resampling filter, language, capacity options and Close.
    m_cmbResize = named(new QComboBox, "cmbResize");
    m_cmbResize->addItems(filterNames());
    auto *resizeGroup
        = named(new QGroupBox(QStringLiteral("Resize method")), "fraResize", TextId::ResizeMethod);
    (new QVBoxLayout(resizeGroup))->addWidget(m_cmbResize);
    m_cmbLanguage = named(new QComboBox, "cmbLanguage");
    m_cmbLanguage->addItems(FormLocalizer::languageNames());
    m_chkAddImages
        = named(new QCheckBox(QStringLiteral("Add original images")), "chkAddImages", TextId::AddImages);
    m_chkAddMovies
        = named(new QCheckBox(QStringLiteral("Add original movies")), "chkAddMovies", TextId::AddMovies);
    m_pbClose = named(new QPushButton(QStringLiteral("Close")), "pbClose", TextId::Close);

    auto *languageRow = new QHBoxLayout;
    languageRow->addWidget(label(QStringLiteral("Language:"), "Label5", TextId::Language));
    languageRow->addWidget(m_cmbLanguage, 1);
    // How many stills a build encodes at once; 0 leaves it to the machine.
    m_spnJobs = named(new QSpinBox, "spnJobs");
    // What a stored value may hold, or the next start would read it as 0.
    m_spnJobs->setRange(0, SettingsController::maxJobs());
    m_spnJobs->setSpecialValueText(localText(TextId::OnePerCore));
    // A spin box's special text is no caption the relabeller knows.
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, m_spnJobs,
        [spin = m_spnJobs](int) { spin->setSpecialValueText(localText(TextId::OnePerCore)); });
    auto *jobsRow = new QHBoxLayout;
    jobsRow->addWidget(label(QStringLiteral("Encodings at once:"), "lblJobs", TextId::EncodingsAtOnce));
    jobsRow->addWidget(m_spnJobs, 1);
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(m_pbClose);

    // Four pages keep the window low enough for a laptop screen.
    auto page = [](const char *name, std::initializer_list<QObject *> parts) {
        auto *widget = named(new QWidget, name);
        auto *layout = new QVBoxLayout(widget);
        for (QObject *part : parts) {
            if (auto *child = qobject_cast<QLayout *>(part))
                layout->addLayout(child);
            else
                layout->addWidget(static_cast<QWidget *>(part));
        }
        layout->addStretch();
        return widget;
    };
    m_pages = named(new QTabWidget, "tabPages");
    m_pages->addTab(page("pageDisc", { paths, formats, slideshowRow }), QString());
    m_pages->addTab(page("pagePictures", { geometry, resizeGroup }), QString());
    m_pages->addTab(page("pageText", { fontsGroup, subscriptGroup }), QString());
    m_pages->addTab(page("pageProgram", { languageRow, jobsRow, m_chkAddImages, m_chkAddMovies }), QString());

    auto *container = named(new QWidget, "fraContainer");
    auto *column = new QVBoxLayout(container);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_pages);
    column->addLayout(closeRow);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(container);

    // Every control says what it does; the tips come from the string table.
    const std::pair<QWidget *, int> tips[] = { { m_txtSource, TextId::TipSource },
        { m_cmdSelectSource, TextId::TipSelectSource }, { m_txtDestination, TextId::TipDestination },
        { m_cmdSelectDestination, TextId::TipSelectDestination }, { m_txtmaintitle, TextId::TipMainTitle },
        { m_OptPal, TextId::TipPal }, { m_OptNTSC, TextId::TipNtsc }, { m_OptSVCD, TextId::TipSvcd },
        { m_OptVCD, TextId::TipVcd }, { m_txtWidth, TextId::TipFrameSize },
        { m_txtHeight, TextId::TipFrameSize }, { m_chkAntiFlicker, TextId::TipAntiFlicker },
        { m_txtpercentage, TextId::TipMargin }, { m_txtXCenter, TextId::TipCentre },
        { m_txtYCenter, TextId::TipCentre }, { m_chkImageCentered, TextId::TipCentered },
        { m_cmbFontTitle, TextId::TipFontTitle }, { m_cmbFontMenu, TextId::TipFontMenu },
        { m_cmbFontPicture, TextId::TipFontPicture }, { m_txtFontTitleSize, TextId::TipFontSize },
        { m_txtFontMenuSize, TextId::TipFontSize }, { m_txtFontPictureSize, TextId::TipFontSize },
        { m_picColorTitle, TextId::TipFontColor }, { m_picColorMenu, TextId::TipFontColor },
        { m_picColorPicture, TextId::TipFontColor }, { m_chkShortcuts, TextId::TipShortcuts },
        { m_cmdPosition, TextId::TipPosition }, { m_chkDisplayDate, TextId::TipDisplayDate },
        { m_chkDisplayFileName, TextId::TipDisplayFileName }, { m_chkUseFilename, TextId::TipUseFileName },
        { m_chkDisplayInfo, TextId::TipDisplayInfo }, { m_cmbResize, TextId::TipResize },
        { m_cmbLanguage, TextId::TipLanguage }, { m_spnJobs, TextId::TipJobs },
        { m_chkAddImages, TextId::TipAddImages }, { m_chkAddMovies, TextId::TipAddMovies },
        { m_pbClose, TextId::TipClose } };
    for (const auto &[control, tipId] : tips)
        control->setProperty(FormLocalizer::TipIdProperty, tipId);
}

void SettingsWindow::relabelPages()
{
    const int ids[] = { TextId::PageDisc, TextId::PagePictures, TextId::PageText, TextId::PageProgram };
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->setTabText(i, localText(ids[i]));
}

void SettingsWindow::connectControls()
{
    auto check = [this](QCheckBox *box, const char *procedure, std::function<void(bool)> body) {
        connect(box, &QCheckBox::toggled, this, [this, procedure, body](bool checked) {
            if (!m_showing)
                handle(procedure, [&] { body(checked); });
        });
    };
    SettingsController &c = m_controller;
    Settings &s = m_settings;
    check(m_chkSlideshowMusic, "Sub chkSlideshowMusic_Click", [this, &s](bool on) {
        s.slideshowMusic = on;
        // Slideshows are nodes of the tree: it must be read again.
        if (m_callbacks.sourceChanged)
            m_callbacks.sourceChanged();
    });
    check(m_chkAddImages, "Sub chkAddImages_Click", [&c](bool on) { c.setAddImages(on); });
    check(m_chkAddMovies, "Sub chkAddMovies_Click", [&c](bool on) { c.setAddMovies(on); });
    check(m_chkDisplayInfo, "Sub chkDisplayInfo_Click", [&c, &s](bool on) {
        s.displayInfo = on;
        c.redraw();
    });
    check(m_chkUseFilename, "Sub chkUseFilename_Click", [&c, &s](bool on) {
        s.useFileName = on;
        c.redraw();
    });
    check(m_chkShortcuts, "Sub chkShortcuts_Click", [&c, &s](bool on) {
        s.shortcuts = on;
        c.redraw();
    });
    check(m_chkDisplayDate, "Sub chkDisplayDate_Click", [&c](bool on) { c.setDisplayDate(on); });
    check(m_chkDisplayFileName, "Sub chkDisplayFilename_Click", [&c](bool on) { c.setDisplayFileName(on); });
    check(m_chkAntiFlicker, "Sub chkAntiFlicker_Click", [&c](bool on) { c.setAntiFlicker(on); });
    check(m_chkCorrectAspect, "Sub chkCorrectAspect_Click", [&c](bool on) { c.setCorrectAspect(on); });
    check(m_chkCorrectEdges, "Sub chkCorrectEdges_Click", [&c](bool on) { c.setCorrectEdges(on); });
    check(m_chkImageCentered, "Sub chkImageCentered_Click", [&c](bool on) { c.setImageCentered(on); });

    for (QRadioButton *option : { m_OptPal, m_OptNTSC, m_OptSVCD, m_OptVCD, m_opthighres, m_optLowres })
        connect(option, &QRadioButton::toggled, this,
            [this, option](bool checked) { onOptionToggled(option, checked); });

    connect(m_cmbResize, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_showing || index < 0)
            return;
        handle("Sub cmbResize_Click", [&] {
            m_settings.resizeFilter = index;
            m_controller.redraw();
        });
    });
    connect(m_spnSlideshowFade, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_showing)
            m_settings.slideshowFade = value;
    });
    connect(m_spnJobs, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_showing)
            m_settings.jobs = value;
    });
    connect(m_cmbLanguage, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_showing && index >= 0)
            onLanguageChosen();
    });

    // Typed values live in the record at once; the handlers that act on them
    // run when the field is left.
    checkNumber(m_txtTimeout, &Settings::timeout, m_lblTimeoutReason, 0,
        SettingsController::MaxTimeoutSeconds, TextId::ReasonTimeout);
    connect(m_txtmaintitle, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_settings.mainTitle = text; });
    connect(m_txtDestination, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!m_showing)
            m_settings.destinationDir = text; // txtDestination_Change does nothing more
    });
    connect(m_txtSource, &QLineEdit::textChanged, this, [this] {
        if (!m_showing)
            onSourceEdited();
    });
    const struct
    {
        QLineEdit *field;
        QString Settings::*value;
    } sizes[]
        = { { m_txtFontTitleSize, &Settings::titleFontSize }, { m_txtFontMenuSize, &Settings::menuFontSize },
              { m_txtFontPictureSize, &Settings::pictureFontSize } };
    for (const auto &size : sizes)
        checkNumber(size.field, size.value, m_lblFontSizeReason, SettingsController::MinFontSize,
            SettingsController::MaxFontSize, TextId::ReasonFontSize);
    // The frame decides which centre is allowed (checked when the field is
    // left); letters never are.
    for (QLineEdit *centre : { m_txtXCenter, m_txtYCenter }) {
        centre->setValidator(new QIntValidator(0, 9999, centre));
        connect(centre, &QLineEdit::inputRejected, this, [this, centre] {
            const int limit = centre == m_txtXCenter ? m_settings.frameWidth : m_settings.frameHeight;
            m_lblCentreReason->setText(localText(TextId::ReasonCentre).arg(limit));
            m_lblCentreReason->show();
        });
    }
    const struct
    {
        QComboBox *list;
        QString Settings::*value;
        const char *procedure;
    } lists[] = { { m_cmbFontTitle, &Settings::titleFont, "Sub cmbFontTitle_Validate" },
        { m_cmbFontMenu, &Settings::menuFont, "Sub cmbFontMenu_Validate" },
        { m_cmbFontPicture, &Settings::pictureFont, "Sub cmbFontPicture_Validate" } };
    for (const auto &font : lists) {
        QComboBox *list = font.list;
        QString Settings::*value = font.value;
        const char *procedure = font.procedure;
        connect(list, &QComboBox::editTextChanged, this, [this, value](const QString &text) {
            if (!m_showing)
                m_settings.*value = text;
        });
        // Picking a typeface from the list counts as leaving the field.
        connect(list, &QComboBox::activated, this, [this, list, value, procedure] {
            handle(procedure, [&] {
                m_settings.*value = list->currentText();
                m_controller.redraw();
            });
        });
    }
    for (QWidget *field : std::initializer_list<QWidget *> { m_txtTimeout, m_txtXCenter, m_txtYCenter,
             m_txtpercentage, m_txtmaintitle, m_txtFontTitleSize, m_txtFontMenuSize, m_txtFontPictureSize,
             m_cmbFontTitle, m_cmbFontMenu, m_cmbFontPicture })
        field->installEventFilter(this);

    connect(m_cmdSelectSource, &QPushButton::clicked, this, &SettingsWindow::onSelectSourceClicked);
    connect(m_cmdSelectDestination, &QPushButton::clicked, this, &SettingsWindow::onSelectDestinationClicked);
    connect(m_picColorTitle, &QToolButton::clicked, this, &SettingsWindow::onTitleColorClicked);
    connect(m_picColorMenu, &QToolButton::clicked, this, &SettingsWindow::onMenuColorClicked);
    connect(m_picColorPicture, &QToolButton::clicked, this, &SettingsWindow::onPictureColorClicked);
    connect(m_cmdPosition, &QPushButton::clicked, this, &SettingsWindow::onPositionClicked);
    connect(m_pbClose, &QPushButton::clicked, this, &SettingsWindow::onCloseClicked);
}

void SettingsWindow::checkNumber(
    QLineEdit *field, QString Settings::*value, QLabel *reason, int bottom, int top, int reasonId)
{
    field->setValidator(new QIntValidator(bottom, top, field));
    auto explain = [reason, bottom, top, reasonId] {
        reason->setText(localText(reasonId).arg(bottom).arg(top));
        reason->show();
    };
    // A key the validator turns away changes nothing in the field; the
    // reason says why.
    connect(field, &QLineEdit::inputRejected, this, explain);
    connect(field, &QLineEdit::textEdited, this, [this, field, value, reason, explain](const QString &text) {
        if (!field->hasAcceptableInput()) {
            explain(); // empty, or below the range: not stored, shown again when left
            return;
        }
        m_settings.*value = text;
        reason->hide();
    });
}

void SettingsWindow::handle(const char *procedure, const std::function<void()> &body)
{
    Guard::run(QLatin1String(procedure), body);
    showRecord();
}

void SettingsWindow::redraw()
{
    m_controller.redraw();
}

QString SettingsWindow::swatchStyle(std::uint32_t colour)
{
    return QStringLiteral("QToolButton { background-color: %1; border: 1px solid #606060; }")
        .arg(ColorChooser::fromWindows(colour).name());
}

void SettingsWindow::showRecord()
{
    const QScopedValueRollback<bool> quiet(m_showing, true);
    const Settings &s = m_settings;

    setText(m_txtSource, s.sourceDir);
    setText(m_txtDestination, s.destinationDir);
    setText(m_txtmaintitle, s.mainTitle);
    setText(m_txtTimeout, s.timeout);

    m_OptNTSC->setChecked(s.ntsc);
    m_OptPal->setChecked(!s.ntsc);
    m_OptVCD->setChecked(s.vcd);
    m_OptSVCD->setChecked(!s.vcd);
    m_optLowres->setChecked(s.lowRes);
    m_opthighres->setChecked(!s.lowRes);
    // A VCD has only the high resolution.
    m_optLowres->setEnabled(!s.vcd);

    setText(m_txtWidth, QString::number(s.frameWidth));
    setText(m_txtHeight, QString::number(s.frameHeight));
    m_chkAntiFlicker->setChecked(s.antiFlicker);
    m_chkCorrectAspect->setChecked(s.correctAspect);
    m_chkCorrectEdges->setChecked(s.correctEdges);
    setText(m_txtpercentage, s.correctPercentage);
    m_txtpercentage->setEnabled(s.percentageEnabled());

    setText(m_txtXCenter, s.xCenter);
    setText(m_txtYCenter, s.yCenter);
    m_chkImageCentered->setChecked(s.imageCentered);
    m_txtXCenter->setEnabled(s.centreFieldsEnabled());
    m_txtYCenter->setEnabled(s.centreFieldsEnabled());

    setEditText(m_cmbFontTitle, s.titleFont);
    setEditText(m_cmbFontMenu, s.menuFont);
    setEditText(m_cmbFontPicture, s.pictureFont);
    setText(m_txtFontTitleSize, s.titleFontSize);
    setText(m_txtFontMenuSize, s.menuFontSize);
    setText(m_txtFontPictureSize, s.pictureFontSize);
    m_picColorTitle->setStyleSheet(swatchStyle(s.titleColor));
    m_picColorMenu->setStyleSheet(swatchStyle(s.menuColor));
    m_picColorPicture->setStyleSheet(swatchStyle(s.pictureColor));
    m_chkShortcuts->setChecked(s.shortcuts);

    m_chkDisplayDate->setChecked(s.displayDate);
    m_chkDisplayFileName->setChecked(s.displayFileName);
    m_chkUseFilename->setChecked(s.useFileName);
    m_chkUseFilename->setEnabled(s.useFilenameEnabled());
    m_chkDisplayInfo->setChecked(s.displayInfo);

    if (s.resizeFilter >= 0 && s.resizeFilter < m_cmbResize->count())
        m_cmbResize->setCurrentIndex(s.resizeFilter);
    if (s.language >= 0 && s.language < m_cmbLanguage->count())
        m_cmbLanguage->setCurrentIndex(s.language);
    m_chkAddImages->setChecked(s.addImages);
    m_chkAddMovies->setChecked(s.addMovies);
    m_spnJobs->setValue(s.jobs);
    m_chkSlideshowMusic->setChecked(s.slideshowMusic);
    m_spnSlideshowFade->setValue(s.slideshowFade);
}

void SettingsWindow::onOptionToggled(QRadioButton *option, bool checked)
{
    // Only the option that became selected runs its handler, as a click does.
    if (m_showing || !checked)
        return;
    SettingsController &c = m_controller;
    if (option == m_OptPal)
        handle("Sub OptPal_Click", [&] { c.choosePal(); });
    else if (option == m_OptNTSC)
        handle("Sub OptNTSC_Click", [&] { c.chooseNtsc(); });
    else if (option == m_OptSVCD)
        handle("Sub OptSVCD_Click", [&] { c.chooseSvcd(); });
    else if (option == m_OptVCD)
        handle("Sub OptVCD_Click", [&] { c.chooseVcd(); });
    else if (option == m_opthighres)
        handle("Sub opthighres_Click", [&] { c.chooseHighResolution(); });
    else if (option == m_optLowres)
        handle("Sub optLowres_Click", [&] { c.chooseLowResolution(); });
}

bool SettingsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusOut || m_showing)
        return QWidget::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    // A popup (a list opening, a context menu) takes the focus only for a moment.
    if (reason == Qt::PopupFocusReason)
        return QWidget::eventFilter(watched, event);
    // Switching to another window leaves the field where it is; the check
    // runs when the focus moves on inside this window.
    const bool leavingWindow = reason == Qt::ActiveWindowFocusReason;

    auto centre = [&](QLineEdit *field, bool valid) {
        const int limit = field == m_txtXCenter ? m_settings.frameWidth : m_settings.frameHeight;
        m_lblCentreReason->setText(localText(TextId::ReasonCentre).arg(limit));
        m_lblCentreReason->setVisible(!valid);
        if (!valid && !leavingWindow) {
            // The focus stays until the field holds a value inside the frame.
            QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
        }
    };
    if (watched == m_txtXCenter) {
        if (!leavingWindow)
            centre(m_txtXCenter, onXCenterEdited());
    } else if (watched == m_txtYCenter) {
        if (!leavingWindow)
            centre(m_txtYCenter, onYCenterEdited());
    } else if (watched == m_txtTimeout) {
        // A refused or unfinished number gives way to the stored one.
        m_lblTimeoutReason->hide();
        showRecord();
    } else if (watched == m_txtpercentage) {
        onPercentageEdited();
    } else if (watched == m_txtmaintitle) {
        onMainTitleEdited();
    } else if (watched == m_txtFontTitleSize) {
        handle("Sub txtFontTitleSize_Change", [&] {
            m_lblFontSizeReason->hide();
            if (m_txtFontTitleSize->hasAcceptableInput())
                m_settings.titleFontSize = m_txtFontTitleSize->text();
            redraw();
        });
    } else if (watched == m_txtFontMenuSize) {
        handle("Sub txtFontMenuSize_Change", [&] {
            m_lblFontSizeReason->hide();
            if (m_txtFontMenuSize->hasAcceptableInput())
                m_settings.menuFontSize = m_txtFontMenuSize->text();
            redraw();
        });
    } else if (watched == m_txtFontPictureSize) {
        handle("Sub txtFontPictureSize_Change", [&] {
            m_lblFontSizeReason->hide();
            if (m_txtFontPictureSize->hasAcceptableInput())
                m_settings.pictureFontSize = m_txtFontPictureSize->text();
            redraw();
        });
    } else if (watched == m_cmbFontTitle || watched == m_cmbFontMenu || watched == m_cmbFontPicture) {
        auto *list = static_cast<QComboBox *>(watched);
        QString Settings::*value = list == m_cmbFontTitle ? &Settings::titleFont
            : list == m_cmbFontMenu                       ? &Settings::menuFont
                                                          : &Settings::pictureFont;
        const char *procedure = list == m_cmbFontTitle ? "Sub cmbFontTitle_Validate"
            : list == m_cmbFontMenu                    ? "Sub cmbFontMenu_Validate"
                                                       : "Sub cmbFontPicture_Validate";
        handle(procedure, [&] {
            m_settings.*value = list->currentText();
            redraw();
        });
    }
    return QWidget::eventFilter(watched, event);
}

bool SettingsWindow::onXCenterEdited()
{
    bool valid = true;
    handle("Sub txtXCenter_Validate", [&] { valid = m_controller.setXCenter(m_txtXCenter->text()); });
    return valid;
}

bool SettingsWindow::onYCenterEdited()
{
    bool valid = true;
    handle("Sub txtYCenter_Validate", [&] { valid = m_controller.setYCenter(m_txtYCenter->text()); });
    return valid;
}

void SettingsWindow::onPercentageEdited()
{
    handle(
        "Sub txtpercentage_Lostfocus", [&] { m_controller.setCorrectPercentage(m_txtpercentage->text()); });
}

void SettingsWindow::onMainTitleEdited()
{
    handle("Sub txtmaintitle_Validate", [&] { m_controller.setMainTitle(m_txtmaintitle->text()); });
}

void SettingsWindow::onSelectSourceClicked()
{
    handle("Sub cmdSelectSource_Click", [&] {
        const QString title = localText(TextId::SelectSourcePath);
        const QString start = m_txtSource->text();
        const QString chosen
            = m_browseFolder ? m_browseFolder(this, title, start) : FolderDialog::browse(this, title, start);
        if (!chosen.isEmpty())
            m_txtSource->setText(chosen); // runs txtSource_Change when it differs
    });
}

void SettingsWindow::onSelectDestinationClicked()
{
    handle("Sub cmdSelectDestination_Click", [&] {
        const QString title = localText(TextId::SelectBuildPath);
        const QString start = m_txtDestination->text();
        const QString chosen
            = m_browseFolder ? m_browseFolder(this, title, start) : FolderDialog::browse(this, title, start);
        if (!chosen.isEmpty())
            m_txtDestination->setText(chosen);
    });
}

void SettingsWindow::onSourceEdited()
{
    m_settings.sourceDir = m_txtSource->text();
    // The tree shows the old folder; it must be read again.
    if (m_callbacks.sourceChanged)
        m_callbacks.sourceChanged();
}

void SettingsWindow::pickColour(const char *procedure, QToolButton *swatch, std::uint32_t Settings::*colour)
{
    handle(procedure, [&] {
        m_settings.*colour = ColorChooser::ask(m_settings.*colour, this, m_askColor);
        swatch->setStyleSheet(swatchStyle(m_settings.*colour));
        redraw();
    });
}

void SettingsWindow::onTitleColorClicked()
{
    pickColour("Sub picColorTitle_Click", m_picColorTitle, &Settings::titleColor);
}

void SettingsWindow::onMenuColorClicked()
{
    pickColour("Sub picColorMenu_Click", m_picColorMenu, &Settings::menuColor);
}

void SettingsWindow::onPictureColorClicked()
{
    pickColour("Sub picColorPicture_Click", m_picColorPicture, &Settings::pictureColor);
}

void SettingsWindow::onPositionClicked()
{
    handle("Sub cmdPosition_Click", [&] {
        // A second press while the cross-hair shows cancels the placement.
        if (m_callbacks.placementArmed && m_callbacks.placementArmed()) {
            if (m_callbacks.setPlacementArmed)
                m_callbacks.setPlacementArmed(false);
            return;
        }
        if (m_prompter->askOkCancel(localText(TextId::TitleSetPosition), localText(TextId::MsgSetPosition))
            && m_callbacks.setPlacementArmed)
            m_callbacks.setPlacementArmed(true);
    });
}

void SettingsWindow::onLanguageChosen()
{
    const int index = m_cmbLanguage->currentIndex();
    m_settings.language = FormLocalizer::setLanguage(index);
}

void SettingsWindow::onCloseClicked()
{
    if (m_callbacks.showRequested) {
        m_callbacks.showRequested(false);
    } else {
        m_settings.showSettings = false;
        hide();
        saveSettings();
    }
}

void SettingsWindow::saveSettings()
{
    Guard::run(QStringLiteral("Sub saveSettings"), [&] { m_controller.saveSettings(); });
}

void SettingsWindow::unload()
{
    m_unloading = true;
    close();
}

void SettingsWindow::closeEvent(QCloseEvent *event)
{
    // Form_QueryUnload: only the program itself unloads the window; the
    // close box and the session only hide it, keeping every value.
    if (m_unloading) {
        event->accept();
        return;
    }
    event->ignore();
    onCloseClicked();
}

QPoint SettingsWindow::placement(const QRect &mainWindowFrame, const QSize &ownFrameSize, const QRect &screen)
{
    int top = mainWindowFrame.top() + mainWindowFrame.height();
    if (top + ownFrameSize.height() > screen.top() + screen.height())
        top = screen.top() + screen.height() - ownFrameSize.height();
    return { mainWindowFrame.left(), top };
}

void SettingsWindow::showBeside(bool visible, const QRect &mainWindowFrame)
{
    const bool wasVisible = isVisible();
    m_settings.showSettings = visible;
    setVisible(visible);
    if (!visible) {
        // Start-up keeps a hidden window hidden: nothing was edited to save.
        if (wasVisible)
            saveSettings();
        return;
    }
    QScreen *screen = QGuiApplication::screenAt(mainWindowFrame.center());
    if (!screen)
        screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    move(placement(mainWindowFrame, frameGeometry().size(), area));
}
