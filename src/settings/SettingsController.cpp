#include "settings/SettingsController.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <memory>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/FileRegistryStore.h"
#include "settings/Registry.h"

namespace {

// Reads the values of one key with the defaults of the settings.
class SettingsReader
{
public:
    explicit SettingsReader(Registry &reg)
        : m_reg(reg)
    { }

    QVariant raw(const char *name, const QVariant &fallback)
    {
        m_reg.setValueKey(QLatin1String(name));
        m_reg.setDefault(fallback);
        return m_reg.value();
    }

    QString text(const char *name, const QVariant &fallback) { return raw(name, fallback).toString(); }

    // A value that is not a whole number (hand-edited, wrong type) counts as absent.
    int number(const char *name, int fallback)
    {
        bool ok = false;
        const int n = raw(name, fallback).toInt(&ok);
        return ok ? n : fallback;
    }

    bool check(const char *name, bool fallback) { return number(name, fallback ? 1 : 0) != 0; }

    // A list index outside the list would make the list refuse it; the default stands in.
    int listIndex(const char *name, int fallback, int count)
    {
        const int n = number(name, fallback);
        return n >= 0 && n < count ? n : fallback;
    }

    // A count, size or position outside what the program can use (a
    // hand-edited file, another version) reads as absent.
    int bounded(const char *name, int fallback, int min, int max)
    {
        const int n = number(name, fallback);
        return n >= min && n <= max ? n : fallback;
    }

    // The same for a number kept as the text its field shows.
    QString boundedText(const char *name, const QString &fallback, double max)
    {
        const QString stored = text(name, fallback);
        const double n = Numeric::val(stored);
        return n >= 0 && n <= max ? stored : fallback;
    }

    // Font sizes: a stored 0 shows as 24; anything else is kept to what the
    // size fields take.
    QString size(const char *name, int fallback)
    {
        const int n = number(name, fallback);
        if (n == 0)
            return QStringLiteral("24");
        return QString::number(
            std::clamp(n, SettingsController::MinFontSize, SettingsController::MaxFontSize));
    }

    // A timeout the field would not take (hand-edited, or typed before the
    // field checked it) would make the disc wait for ever: the default stands in.
    QString timeout(const char *name, int fallback)
    {
        const QString stored = text(name, fallback).trimmed();
        bool ok = false;
        const int n = stored.toInt(&ok);
        return ok && n >= 0 && n <= SettingsController::MaxTimeoutSeconds ? QString::number(n)
                                                                          : QString::number(fallback);
    }

private:
    Registry &m_reg;
};

void put(Registry &reg, const char *name, const QVariant &value)
{
    reg.setValueKey(QLatin1String(name));
    reg.setValue(value);
}

void putInt(Registry &reg, const char *name, int value)
{
    put(reg, name, QVariant(value));
}

void putCheck(Registry &reg, const char *name, bool checked)
{
    putInt(reg, name, checked ? 1 : 0);
}

// Sizes and window positions are kept as 16-bit numbers; clamping keeps a
// window on a far-right monitor or a huge font size from ending the program
// at exit with nothing saved.
int asInt16(double value)
{
    return Numeric::toInt16(value);
}

} // namespace

QString SettingsController::defaultBuildFolder()
{
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!videos.isEmpty() && videos != QDir::homePath())
        return videos + QLatin1String("/Kelvara");
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QLatin1String("/kelvara/build");
}

QString SettingsController::registryKey()
{
    return QStringLiteral("Software\\Brennic\\Kelvara");
}

SettingsController::SettingsController(Settings &settings, Prompter &prompter, Hooks hooks)
    : m_settings(settings)
    , m_prompter(&prompter)
    , m_hooks(std::move(hooks))
{ }

void SettingsController::readSettings()
{
    Settings &s = m_settings;
    // Restoring the options runs their handlers; with Full Rebuild on they stay
    // quiet. The stored value replaces it further down.
    s.fullRebuild = true;

    std::unique_ptr<FileRegistryStore> ownStore;
    RegistryStore *store = m_store;
    if (!store) {
        ownStore = std::make_unique<FileRegistryStore>();
        store = ownStore.get();
    }
    // One read of the store for the whole record.
    RegistryStore::Update batch(*store);
    Registry reg(*store);
    reg.setClassKey(Registry::HKEY_LOCAL_MACHINE);
    reg.setSectionKey(registryKey());
    reg.setValueType(Registry::REG_SZ);
    SettingsReader in(reg);

    s.sourceDir = in.text("sourcedir", QString());
    s.destinationDir = in.text("destinationdir", QString());
    s.mainTitle = in.text("main_title", QStringLiteral("Your title"));
    s.timeout = in.timeout("timeout", 6);

    // The options start from the window's first choices, as a fresh window has
    // them, so that the restore order alone decides (VCD before LOW).
    s.ntsc = false;
    s.vcd = false;
    s.lowRes = false;
    if (in.text("TVFormat", QStringLiteral("PAL")) == QLatin1String("NTSC"))
        chooseNtsc();
    else
        choosePal();
    if (in.text("OutputType", QStringLiteral("SVCD")) == QLatin1String("VCD"))
        chooseVcd();
    else
        chooseSvcd();
    if (in.text("Resolution", QStringLiteral("HIGH")) == QLatin1String("LOW"))
        chooseLowResolution();
    else
        chooseHighResolution();

    // Positions within the largest frame; setSizes centres them again when
    // pictures are centred.
    s.xCenter = in.boundedText("XCenter", QStringLiteral("352"), MaxFrameWidth);
    s.yCenter = in.boundedText("YCenter", QStringLiteral("288"), MaxFrameHeight);
    s.correctPercentage = in.boundedText("CorrectPercentage", QStringLiteral("6"), MaxMarginPercent);
    s.edgeFraction = Numeric::val(s.correctPercentage) / 100.0;

    s.titleFont = in.text("FontTitle", QStringLiteral("Arial"));
    s.menuFont = in.text("FontMenu", QStringLiteral("Arial"));
    s.pictureFont = in.text("FontPicture", QStringLiteral("Arial"));
    s.windowState = in.text("WindowState", QString());
    s.treeState = in.text("TreeState", QString());
    s.recentAlbums = in.text("RecentAlbums", QString());

    reg.setValueType(Registry::REG_DWORD);
    s.resizeFilter = in.listIndex("Resize", 12, ResizeFilterCount);
    s.fastPreview = in.check("FastPreview", false);

    s.showSettings = in.check("dispsettings", true);
    if (m_hooks.showSettings)
        m_hooks.showSettings(s.showSettings);

    s.language = in.listIndex("Language", 0, LanguageCount);
    StringTable::instance().setLanguageOffset(s.language * StringTable::LanguageStride);
    if (m_hooks.languageChanged)
        m_hooks.languageChanged(s.language);

    // screenXpos and screenYpos are only written; WindowState places the window.
    s.stampX = in.bounded("textXpos", 0, 0, MaxFrameWidth);
    s.stampY = in.bounded("textYpos", 0, 0, MaxFrameHeight);

    s.titleFontSize = in.size("TitleFontSize", 60);
    s.menuFontSize = in.size("MenuFontSize", 36);
    s.pictureFontSize = in.size("PictureFontSize", 36);
    s.titleColor = static_cast<std::uint32_t>(in.number("TitleColor", 0xFFFFFF));
    s.menuColor = static_cast<std::uint32_t>(in.number("MenuColor", 0));
    s.pictureColor = static_cast<std::uint32_t>(in.number("PictureColor", 0xFFFFFF));

    s.addImages = in.check("AddImages", false);
    s.addMovies = in.check("AddMovies", false);
    s.displayInfo = in.check("DisplayInfo", true);
    s.useFileName = in.check("UseFileName", true);
    s.displayFileName = in.check("DisplayFileName", false);
    s.displayDate = in.check("DisplayDate", true);
    s.imageCentered = in.check("ImageCentered", true);
    s.shortcuts = in.check("Shortcuts", true);
    s.fullRebuild = in.check("FullRebuild", false);
    s.antiFlicker = in.check("AntiFlicker", true);
    s.correctEdges = in.check("CorrectEdges", true);
    s.correctAspect = in.check("CorrectAspect", true);
    // A count no machine can use falls back to one per core.
    s.jobs = in.bounded("Jobs", 0, 0, maxJobs());
    s.toolTimeout = in.bounded("ToolTimeout", DefaultToolTimeoutSeconds, 0, MaxToolTimeoutSeconds);
    s.slideshowMusic = in.check("SlideshowMusic", true);
    s.slideshowFade = in.bounded("SlideshowFade", 1, 0, MaxSlideshowFade);

    // The geometry must match the restored options and corrections before
    // anything is drawn or built from them.
    setSizes();
}

void SettingsController::saveSettings()
{
    const Settings &s = m_settings;
    std::unique_ptr<FileRegistryStore> ownStore;
    RegistryStore *store = m_store;
    if (!store) {
        ownStore = std::make_unique<FileRegistryStore>();
        store = ownStore.get();
    }
    // One locked write for the whole record, so that a program saving at the
    // same time cannot interleave with it and exit stays quick.
    RegistryStore::Update batch(*store);
    Registry reg(*store);
    reg.setClassKey(Registry::HKEY_LOCAL_MACHINE);
    reg.setSectionKey(registryKey());

    reg.setValueType(Registry::REG_SZ);
    put(reg, "sourcedir", s.sourceDir);
    put(reg, "destinationdir", s.destinationDir);
    put(reg, "main_title", s.mainTitle);
    put(reg, "timeout", s.timeout);
    put(reg, "TVFormat", s.ntsc ? QStringLiteral("NTSC") : QStringLiteral("PAL"));
    put(reg, "OutputType", s.vcd ? QStringLiteral("VCD") : QStringLiteral("SVCD"));
    put(reg, "Resolution", s.lowRes ? QStringLiteral("LOW") : QStringLiteral("HIGH"));
    put(reg, "WindowState", s.windowState);
    put(reg, "TreeState", s.treeState);
    put(reg, "RecentAlbums", s.recentAlbums);
    put(reg, "XCenter", s.xCenter);
    put(reg, "YCenter", s.yCenter);
    put(reg, "CorrectPercentage", s.correctPercentage);
    put(reg, "FontTitle", s.titleFont);
    put(reg, "FontMenu", s.menuFont);
    put(reg, "FontPicture", s.pictureFont);

    reg.setValueType(Registry::REG_DWORD);
    putInt(reg, "Resize", s.resizeFilter);
    putCheck(reg, "FastPreview", s.fastPreview);
    putCheck(reg, "dispsettings", s.showSettings);
    putInt(reg, "Language", s.language);
    putInt(reg, "screenXpos", asInt16(s.screenX));
    putInt(reg, "screenYpos", asInt16(s.screenY));
    putInt(reg, "textXpos", s.stampX);
    putInt(reg, "textYpos", s.stampY);
    putInt(reg, "TitleFontSize", asInt16(Numeric::val(s.titleFontSize)));
    putInt(reg, "MenuFontSize", asInt16(Numeric::val(s.menuFontSize)));
    putInt(reg, "PictureFontSize", asInt16(Numeric::val(s.pictureFontSize)));
    putInt(reg, "TitleColor", static_cast<int>(s.titleColor));
    putInt(reg, "MenuColor", static_cast<int>(s.menuColor));
    putInt(reg, "PictureColor", static_cast<int>(s.pictureColor));
    putCheck(reg, "ImageCentered", s.imageCentered);
    putCheck(reg, "Shortcuts", s.shortcuts);
    putCheck(reg, "AddImages", s.addImages);
    putCheck(reg, "AddMovies", s.addMovies);
    putCheck(reg, "CorrectEdges", s.correctEdges);
    putCheck(reg, "DisplayInfo", s.displayInfo);
    putCheck(reg, "UseFileName", s.useFileName);
    putCheck(reg, "DisplayFileName", s.displayFileName);
    putCheck(reg, "DisplayDate", s.displayDate);
    putCheck(reg, "FullRebuild", s.fullRebuild);
    putCheck(reg, "AntiFlicker", s.antiFlicker);
    putCheck(reg, "CorrectAspect", s.correctAspect);
    putInt(reg, "Jobs", s.jobs);
    putInt(reg, "ToolTimeout", s.toolTimeout);
    putCheck(reg, "SlideshowMusic", s.slideshowMusic);
    putInt(reg, "SlideshowFade", s.slideshowFade);
}

int SettingsController::maxJobs()
{
    return MaxJobsPerCore * std::max(1, QThread::idealThreadCount());
}

void SettingsController::setSizes()
{
    Settings &s = m_settings;
    s.edgeFraction = Numeric::val(s.correctPercentage) / 100.0;

    s.tvLines = s.ntsc ? 480 : 576;
    if (!s.lowRes) {
        s.frameWidth = 704;
        s.frameHeight = s.tvLines;
    } else if (s.vcd) {
        s.frameWidth = 352;
        s.frameHeight = s.tvLines / 2;
    } else {
        s.frameWidth = 480;
        s.frameHeight = s.tvLines;
    }
    // The pane follows the new line count, not the one before this change.
    if (m_hooks.setPreviewHeight)
        m_hooks.setPreviewHeight(s.tvLines);

    // The width of a 4:3 picture in square pixels at this line count.
    s.aspectWidth = s.correctAspect ? (s.ntsc ? 640 : 768) : 704;

    if (s.imageCentered) {
        s.xCenter = QString::number(s.frameWidth / 2);
        s.yCenter = QString::number(s.frameHeight / 2);
    }

    redraw();
    if (m_hooks.refreshCapacity)
        m_hooks.refreshCapacity();
    changed();
}

void SettingsController::redraw()
{
    if (m_hooks.redrawSelected)
        m_hooks.redrawSelected();
}

void SettingsController::changed()
{
    if (m_hooks.recordChanged)
        m_hooks.recordChanged();
}

void SettingsController::setDisplayDate(bool checked)
{
    m_settings.displayDate = checked;
    changed();
    redraw();
}

void SettingsController::setDisplayFileName(bool checked)
{
    m_settings.displayFileName = checked;
    changed();
    redraw();
}

void SettingsController::setAddImages(bool checked)
{
    m_settings.addImages = checked;
    if (m_hooks.refreshCapacity)
        m_hooks.refreshCapacity();
    changed();
}

void SettingsController::setAddMovies(bool checked)
{
    m_settings.addMovies = checked;
    if (m_hooks.refreshCapacity)
        m_hooks.refreshCapacity();
    changed();
}

void SettingsController::setAntiFlicker(bool checked)
{
    m_settings.antiFlicker = checked;
    setSizes();
}

void SettingsController::setCorrectAspect(bool checked)
{
    m_settings.correctAspect = checked;
    setSizes();
}

void SettingsController::setCorrectEdges(bool checked)
{
    m_settings.correctEdges = checked;
    setSizes();
}

void SettingsController::setImageCentered(bool checked)
{
    m_settings.imageCentered = checked;
    if (checked)
        setSizes();
    else
        changed(); // only the centre fields' enabled state changes
}

bool SettingsController::setXCenter(const QString &text)
{
    const double v = Numeric::val(text);
    if (v < 0 || v > m_settings.frameWidth)
        return false;
    m_settings.xCenter = text;
    redraw();
    return true;
}

bool SettingsController::setYCenter(const QString &text)
{
    const double v = Numeric::val(text);
    if (v < 0 || v > m_settings.frameHeight)
        return false;
    m_settings.yCenter = text;
    redraw();
    return true;
}

QString SettingsController::setCorrectPercentage(const QString &text)
{
    // + 0.0 turns a clamped -0 into 0, so the field never shows "-0".
    const double v = std::clamp(Numeric::val(text), 0.0, double(MaxMarginPercent)) + 0.0;
    m_settings.correctPercentage = QString::number(v);
    setSizes();
    return m_settings.correctPercentage;
}

void SettingsController::setMainTitle(const QString &text)
{
    m_settings.mainTitle = text;
    if (m_hooks.treeHasNodes && m_hooks.treeHasNodes()) {
        if (m_hooks.setRootTag)
            m_hooks.setRootTag(text);
        redraw();
    }
}

void SettingsController::requireFullRebuild(int messageId, int titleId)
{
    if (m_settings.fullRebuild)
        return;
    m_prompter->inform(localText(titleId), localText(messageId));
    m_settings.fullRebuild = true;
}

void SettingsController::choosePal()
{
    m_settings.ntsc = false;
    requireFullRebuild(TextId::MsgTvFormatChanged, TextId::TitleTvFormatChanged);
    setSizes();
}

void SettingsController::chooseNtsc()
{
    m_settings.ntsc = true;
    requireFullRebuild(TextId::MsgTvFormatChanged, TextId::TitleTvFormatChanged);
    setSizes();
}

void SettingsController::chooseSvcd()
{
    m_settings.vcd = false;
    requireFullRebuild(TextId::MsgOutputTypeChanged, TextId::TitleOutputTypeChanged);
    setSizes();
}

void SettingsController::chooseVcd()
{
    // A VCD has no low resolution: the frame goes to high with it, so the
    // window never has to refuse a combination after the fact.
    m_settings.lowRes = false;
    m_settings.vcd = true;
    requireFullRebuild(TextId::MsgOutputTypeChanged, TextId::TitleOutputTypeChanged);
    setSizes();
}

void SettingsController::chooseHighResolution()
{
    m_settings.lowRes = false;
    requireFullRebuild(TextId::MsgResolutionChanged, TextId::TitleResolutionChanged);
    setSizes();
}

void SettingsController::chooseLowResolution()
{
    // Only a stored VCD with low resolution gets here (the window disables
    // the option for VCD): high resolution stands in without a word.
    if (m_settings.vcd) {
        chooseHighResolution();
        return;
    }
    m_settings.lowRes = true;
    requireFullRebuild(TextId::MsgResolutionChanged, TextId::TitleResolutionChanged);
    setSizes();
}
