#include "settings/SettingsController.h"

#include <QVariant>

#include <algorithm>
#include <memory>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "settings/FileRegistryStore.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
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
        return m_reg.Value();
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

    // Font sizes: a stored 0 shows as 24.
    QString size(const char *name, int fallback)
    {
        const int n = number(name, fallback);
        return n == 0 ? QStringLiteral("24") : QString::number(n);
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

QString SettingsController::registryKey()
{
    return QStringLiteral("Software\\Brennic\\Kelvara");
}

SettingsController::SettingsController(Settings &settings, Prompter &prompter, Hooks hooks)
    : m_settings(settings)
    , m_prompter(prompter)
    , m_hooks(std::move(hooks))
{ }

void SettingsController::readSettings()
{
    Settings &s = m_settings;
    // Restoring the options runs their handlers; with Full Rebuild on they stay
    // quiet. The stored value replaces it further down.
    s.FullRebuild = true;

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

    s.sourcedir = in.text("sourcedir", QString());
    s.destinationdir = in.text("destinationdir", QString());
    s.main_title = in.text("main_title", QStringLiteral("Your title"));
    s.timeout = in.text("timeout", 6);

    // The options start from the window's first choices, as a fresh window has
    // them, so that the restore order alone decides (VCD before LOW).
    s.ntsc = false;
    s.vcd = false;
    s.lowRes = false;
    if (in.text("TVFormat", QStringLiteral("PAL")) == QLatin1String("NTSC"))
        OptNTSC_Click();
    else
        OptPal_Click();
    if (in.text("OutputType", QStringLiteral("SVCD")) == QLatin1String("VCD"))
        OptVCD_Click();
    else
        OptSVCD_Click();
    if (in.text("Resolution", QStringLiteral("HIGH")) == QLatin1String("LOW"))
        optLowres_Click();
    else
        opthighres_Click();

    s.XCenter = in.text("XCenter", QStringLiteral("352"));
    s.YCenter = in.text("YCenter", QStringLiteral("288"));
    s.CorrectPercentage = in.text("CorrectPercentage", 6);
    s.EdgeFraction = Numeric::val(s.CorrectPercentage) / 100.0;

    s.FontTitle = in.text("FontTitle", QStringLiteral("Arial"));
    s.FontMenu = in.text("FontMenu", QStringLiteral("Arial"));
    s.FontPicture = in.text("FontPicture", QStringLiteral("Arial"));

    reg.setValueType(Registry::REG_DWORD);
    s.Resize = in.listIndex("Resize", 12, ResizeFilterCount);
    s.FastPreview = in.check("FastPreview", false);

    s.dispsettings = in.check("dispsettings", true);
    if (m_hooks.showSettings)
        m_hooks.showSettings(s.dispsettings);

    s.Language = in.listIndex("Language", 0, LanguageCount);
    StringTable::instance().setLanguageOffset(s.Language * StringTable::LanguageStride);
    if (m_hooks.languageChanged)
        m_hooks.languageChanged(s.Language);

    // screenXpos and screenYpos are only written.
    s.textXpos = in.number("textXpos", 0);
    s.textYpos = in.number("textYpos", 0);

    s.TitleFontSize = in.size("TitleFontSize", 60);
    s.MenuFontSize = in.size("MenuFontSize", 36);
    s.PictureFontSize = in.size("PictureFontSize", 36);
    s.TitleColor = static_cast<std::uint32_t>(in.number("TitleColor", 0xFFFFFF));
    s.MenuColor = static_cast<std::uint32_t>(in.number("MenuColor", 0));
    s.PictureColor = static_cast<std::uint32_t>(in.number("PictureColor", 0xFFFFFF));

    s.AddImages = in.check("AddImages", false);
    s.AddMovies = in.check("AddMovies", false);
    s.DisplayInfo = in.check("DisplayInfo", true);
    s.UseFileName = in.check("UseFileName", true);
    s.DisplayFileName = in.check("DisplayFileName", false);
    s.DisplayDate = in.check("DisplayDate", true);
    s.ImageCentered = in.check("ImageCentered", true);
    s.Shortcuts = in.check("Shortcuts", true);
    s.FullRebuild = in.check("FullRebuild", false);
    s.AntiFlicker = in.check("AntiFlicker", true);
    s.CorrectEdges = in.check("CorrectEdges", true);
    s.CorrectAspect = in.check("CorrectAspect", true);
    // A negative count means nothing sensible: one per core then.
    s.Jobs = std::max(0, in.number("Jobs", 0));

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
    put(reg, "sourcedir", s.sourcedir);
    put(reg, "destinationdir", s.destinationdir);
    put(reg, "main_title", s.main_title);
    put(reg, "timeout", s.timeout);
    put(reg, "TVFormat", s.ntsc ? QStringLiteral("NTSC") : QStringLiteral("PAL"));
    put(reg, "OutputType", s.vcd ? QStringLiteral("VCD") : QStringLiteral("SVCD"));
    put(reg, "Resolution", s.lowRes ? QStringLiteral("LOW") : QStringLiteral("HIGH"));
    put(reg, "XCenter", s.XCenter);
    put(reg, "YCenter", s.YCenter);
    put(reg, "CorrectPercentage", s.CorrectPercentage);
    put(reg, "FontTitle", s.FontTitle);
    put(reg, "FontMenu", s.FontMenu);
    put(reg, "FontPicture", s.FontPicture);

    reg.setValueType(Registry::REG_DWORD);
    putInt(reg, "Resize", s.Resize);
    putCheck(reg, "FastPreview", s.FastPreview);
    putCheck(reg, "dispsettings", s.dispsettings);
    putInt(reg, "Language", s.Language);
    putInt(reg, "screenXpos", asInt16(s.screenXpos));
    putInt(reg, "screenYpos", asInt16(s.screenYpos));
    putInt(reg, "textXpos", s.textXpos);
    putInt(reg, "textYpos", s.textYpos);
    putInt(reg, "TitleFontSize", asInt16(Numeric::val(s.TitleFontSize)));
    putInt(reg, "MenuFontSize", asInt16(Numeric::val(s.MenuFontSize)));
    putInt(reg, "PictureFontSize", asInt16(Numeric::val(s.PictureFontSize)));
    putInt(reg, "TitleColor", static_cast<int>(s.TitleColor));
    putInt(reg, "MenuColor", static_cast<int>(s.MenuColor));
    putInt(reg, "PictureColor", static_cast<int>(s.PictureColor));
    putCheck(reg, "ImageCentered", s.ImageCentered);
    putCheck(reg, "Shortcuts", s.Shortcuts);
    putCheck(reg, "AddImages", s.AddImages);
    putCheck(reg, "AddMovies", s.AddMovies);
    putCheck(reg, "CorrectEdges", s.CorrectEdges);
    putCheck(reg, "DisplayInfo", s.DisplayInfo);
    putCheck(reg, "UseFileName", s.UseFileName);
    putCheck(reg, "DisplayFileName", s.DisplayFileName);
    putCheck(reg, "DisplayDate", s.DisplayDate);
    putCheck(reg, "FullRebuild", s.FullRebuild);
    putCheck(reg, "AntiFlicker", s.AntiFlicker);
    putCheck(reg, "CorrectAspect", s.CorrectAspect);
    putInt(reg, "Jobs", s.Jobs);
}

void SettingsController::setSizes()
{
    Settings &s = m_settings;
    s.EdgeFraction = Numeric::val(s.CorrectPercentage) / 100.0;

    s.TvLines = s.ntsc ? 480 : 576;
    if (!s.lowRes) {
        s.FrameWidth = 704;
        s.FrameHeight = s.TvLines;
    } else if (s.vcd) {
        s.FrameWidth = 352;
        s.FrameHeight = s.TvLines / 2;
    } else {
        s.FrameWidth = 480;
        s.FrameHeight = s.TvLines;
    }
    // The pane follows the new line count, not the one before this change.
    if (m_hooks.setPreviewHeight)
        m_hooks.setPreviewHeight(s.TvLines);

    // The width of a 4:3 picture in square pixels at this line count.
    s.AspectWidth = s.CorrectAspect ? (s.ntsc ? 640 : 768) : 704;

    if (s.ImageCentered) {
        s.XCenter = QString::number(s.FrameWidth / 2);
        s.YCenter = QString::number(s.FrameHeight / 2);
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

void SettingsController::chkDisplayDate_Click(bool checked)
{
    m_settings.DisplayDate = checked;
    changed();
    redraw();
}

void SettingsController::chkDisplayFileName_Click(bool checked)
{
    m_settings.DisplayFileName = checked;
    changed();
    redraw();
}

void SettingsController::chkAddImages_Click(bool checked)
{
    m_settings.AddImages = checked;
    if (m_hooks.refreshCapacity)
        m_hooks.refreshCapacity();
    changed();
}

void SettingsController::chkAddMovies_Click(bool checked)
{
    m_settings.AddMovies = checked;
    if (m_hooks.refreshCapacity)
        m_hooks.refreshCapacity();
    changed();
}

void SettingsController::chkAntiFlicker_Click(bool checked)
{
    m_settings.AntiFlicker = checked;
    setSizes();
}

void SettingsController::chkCorrectAspect_Click(bool checked)
{
    m_settings.CorrectAspect = checked;
    setSizes();
}

void SettingsController::chkCorrectEdges_Click(bool checked)
{
    m_settings.CorrectEdges = checked;
    setSizes();
}

void SettingsController::chkImageCentered_Click(bool checked)
{
    m_settings.ImageCentered = checked;
    if (checked)
        setSizes();
    else
        changed(); // only the centre fields' enabled state changes
}

bool SettingsController::txtXCenter_Validate(const QString &text)
{
    const double v = Numeric::val(text);
    if (v < 0 || v > m_settings.FrameWidth)
        return false;
    m_settings.XCenter = text;
    redraw();
    return true;
}

bool SettingsController::txtYCenter_Validate(const QString &text)
{
    const double v = Numeric::val(text);
    if (v < 0 || v > m_settings.FrameHeight)
        return false;
    m_settings.YCenter = text;
    redraw();
    return true;
}

QString SettingsController::txtpercentage_LostFocus(const QString &text)
{
    // + 0.0 turns a clamped -0 into 0, so the field never shows "-0".
    const double v = std::clamp(Numeric::val(text), 0.0, double(MaxMarginPercent)) + 0.0;
    m_settings.CorrectPercentage = QString::number(v);
    setSizes();
    return m_settings.CorrectPercentage;
}

void SettingsController::txtmaintitle_Validate(const QString &text)
{
    m_settings.main_title = text;
    if (m_hooks.treeHasNodes && m_hooks.treeHasNodes()) {
        if (m_hooks.setRootTag)
            m_hooks.setRootTag(text);
        redraw();
    }
}

void SettingsController::requireFullRebuild(int messageId, int titleId)
{
    if (m_settings.FullRebuild)
        return;
    m_prompter.inform(LocalText(titleId), LocalText(messageId));
    m_settings.FullRebuild = true;
}

void SettingsController::refuseLowResVcd()
{
    m_prompter.inform(LocalText(TextId::TitleLowResVcd), LocalText(TextId::MsgLowResVcd));
}

void SettingsController::OptPal_Click()
{
    m_settings.ntsc = false;
    requireFullRebuild(TextId::MsgTvFormatChanged, TextId::TitleTvFormatChanged);
    setSizes();
}

void SettingsController::OptNTSC_Click()
{
    m_settings.ntsc = true;
    requireFullRebuild(TextId::MsgTvFormatChanged, TextId::TitleTvFormatChanged);
    setSizes();
}

void SettingsController::OptSVCD_Click()
{
    m_settings.vcd = false;
    requireFullRebuild(TextId::MsgOutputTypeChanged, TextId::TitleOutputTypeChanged);
    setSizes();
}

void SettingsController::OptVCD_Click()
{
    if (m_settings.lowRes) {
        refuseLowResVcd();
        OptSVCD_Click();
        return;
    }
    m_settings.vcd = true;
    requireFullRebuild(TextId::MsgOutputTypeChanged, TextId::TitleOutputTypeChanged);
    setSizes();
}

void SettingsController::opthighres_Click()
{
    m_settings.lowRes = false;
    requireFullRebuild(TextId::MsgResolutionChanged, TextId::TitleResolutionChanged);
    setSizes();
}

void SettingsController::optLowres_Click()
{
    if (m_settings.vcd) {
        refuseLowResVcd();
        opthighres_Click();
        return;
    }
    m_settings.lowRes = true;
    requireFullRebuild(TextId::MsgResolutionChanged, TextId::TitleResolutionChanged);
    setSizes();
}
