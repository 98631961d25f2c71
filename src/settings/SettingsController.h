#pragma once

#include <QString>

#include <functional>

#include "settings/Settings.h"

class Prompter;
class RegistryStore;

// The run-time rules of the settings: loading them at start-up and saving
// them at exit, the frame geometry (setSizes), and what each edit in the
// settings window sets off. The window writes the edited value through these
// handlers and then shows the record again; this class never touches a widget.
class SettingsController
{
public:
    // What the rest of the program does when a setting changes. Each may be
    // left empty.
    struct Hooks
    {
        std::function<void()> redrawSelected; // redraw the preview of the selected node, if any
        std::function<void()> refreshCapacity; // the capacity display
        std::function<bool()> treeHasNodes;
        std::function<void(const QString &)> setRootTag; // tag of the first tree node
        std::function<void(int tvLines)> setPreviewHeight; // pane height = width * tvLines / 704
        std::function<void(bool visible)> showSettings; // the settings window
        std::function<void(int language)> languageChanged; // relabel every window
        // Fields beyond the one edited changed (centre, frame size, options, Full Rebuild).
        std::function<void()> recordChanged;
    };

    // Number of entries of the resampling filter list (Resize is an index into it).
    static constexpr int ResizeFilterCount = 17;
    static constexpr int LanguageCount = 6;
    static constexpr int MaxMarginPercent = 25;
    // The largest frame of any disc format (SVCD high resolution, PAL).
    static constexpr int MaxFrameWidth = 704;
    static constexpr int MaxFrameHeight = 576;
    // What the number fields take: a picture waits at most an hour, and a
    // font larger than 200 points no longer fits a line of the frame.
    static constexpr int MaxTimeoutSeconds = 3600;
    static constexpr int MaxSlideshowFade = 5;
    static constexpr int MinFontSize = 1;
    static constexpr int MaxFontSize = 200;
    // More encodings at once than this per core only queue up for the
    // processor while each holds its pipes and temporary files open.
    static constexpr int MaxJobsPerCore = 4;
    // A tool may show no sign of life for at most a day before it is ended.
    static constexpr int MaxToolTimeoutSeconds = 86400;
    static constexpr int DefaultToolTimeoutSeconds = 300;

    // The largest Jobs value: MaxJobsPerCore times the processor cores.
    static int maxJobs();

    // The registry key of every setting, below HKEY_LOCAL_MACHINE.
    static QString registryKey();
    // Where a build goes when no build folder is set: a folder of the user's
    // videos, or of the cache when there is no videos folder.
    static QString defaultBuildFolder();

    SettingsController(Settings &settings, Prompter &prompter, Hooks hooks = {});

    Settings &settings() { return m_settings; }
    const Settings &settings() const { return m_settings; }
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // Who hears the messages an edit raises (the settings window's own boxes).
    Prompter &prompter() const { return *m_prompter; }
    void setPrompter(Prompter &prompter) { m_prompter = &prompter; }
    // nullptr (the default) uses the file store the environment names.
    void setRegistryStore(RegistryStore *store) { m_store = store; }

    // Fills the record from the registry, running the option handlers as a
    // restore does (without Full Rebuild messages), and ends with setSizes.
    // Absent values take their defaults; unusable list indexes too.
    void readSettings();
    // Writes every setting. Sizes and window positions are stored clamped to
    // the 16-bit range; refused writes are skipped.
    void saveSettings();

    // Recomputes FrameWidth, FrameHeight, TvLines, AspectWidth and
    // EdgeFraction, centres XCenter/YCenter when ImageCentered, then resizes the
    // preview pane, redraws and refreshes the capacity display.
    void setSizes();

    // Redraw-only edits (fonts, sizes, info icon, file-name fallback).
    void redraw();

    // Date and file-name options; chkUseFilename follows Settings::useFilenameEnabled().
    void setDisplayDate(bool checked);
    void setDisplayFileName(bool checked);

    // Options that count the source files in the capacity estimate.
    void setAddImages(bool checked);
    void setAddMovies(bool checked);

    // Geometry options.
    void setAntiFlicker(bool checked);
    void setCorrectAspect(bool checked);
    void setCorrectEdges(bool checked);
    void setImageCentered(bool checked);

    // Centre fields: true accepts the text (stored, redrawn); false when its
    // value lies outside 0 to the frame size, and the field keeps the focus.
    bool setXCenter(const QString &text);
    bool setYCenter(const QString &text);

    // Safe-area margin: the value clamped to 0..25 ("abc" is 0); returns the
    // text the field shows from now on.
    QString setCorrectPercentage(const QString &text);

    // Main title: stored, and copied to the top menu node when there is a tree.
    void setMainTitle(const QString &text);

    // Disc format options, called when the option becomes selected. Each marks
    // the next build as a full rebuild (telling the user once) and calls setSizes.
    // A VCD has no low resolution: choosing VCD selects high resolution, and
    // low resolution with VCD chosen stays high.
    void choosePal();
    void chooseNtsc();
    void chooseSvcd();
    void chooseVcd();
    void chooseHighResolution();
    void chooseLowResolution();

private:
    // Shows the message once when Full Rebuild is off, and turns it on.
    void requireFullRebuild(int messageId, int titleId);
    void changed();

    Settings &m_settings;
    Prompter *m_prompter;
    Hooks m_hooks;
    RegistryStore *m_store = nullptr;
};
