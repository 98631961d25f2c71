#pragma once

#include <QString>

#include <cstdint>

// Every user setting, as the settings window holds it at run time (texts
// exactly as typed), plus the derived frame geometry that setSizes keeps.
// The registry value each field is stored under is named beside it; those
// names are what stored settings files hold and never change.
struct Settings
{
    QString sourceDir; // sourcedir
    QString destinationDir; // destinationdir
    QString mainTitle = QStringLiteral("Your title"); // main_title
    QString timeout = QStringLiteral("6"); // timeout (seconds, 0 = for ever)

    bool ntsc = false; // TVFormat: "NTSC" selects NTSC, anything else PAL
    bool vcd = false; // OutputType: "VCD" selects VCD, anything else SVCD
    bool lowRes = false; // Resolution: "LOW" selects low, anything else high

    QString xCenter = QStringLiteral("352"); // XCenter
    QString yCenter = QStringLiteral("288"); // YCenter
    QString correctPercentage = QStringLiteral("6"); // CorrectPercentage

    QString titleFont = QStringLiteral("Arial"); // FontTitle
    QString menuFont = QStringLiteral("Arial"); // FontMenu
    QString pictureFont = QStringLiteral("Arial"); // FontPicture

    int resizeFilter = 12; // Resize: index into the filter list; 12 = "Mitchell"
    bool fastPreview = false; // FastPreview
    bool showSettings = true; // dispsettings
    int language = 0; // Language: 0 English, 1 Dutch, 2 German, 3 Portuguese, 4 Italian, 5 French
    int screenX = 0; // screenXpos: main window left edge, twips
    int screenY = 0; // screenYpos: main window top edge, twips
    QString windowState; // WindowState: the main window's geometry and splitter, as the window saves them
    QString treeState; // TreeState: expanded folders and the selected node, one path below the source a line
    QString recentAlbums; // RecentAlbums: the albums opened last, newest first, one folder a line
    std::int32_t stampX = 0; // textXpos
    std::int32_t stampY = 0; // textYpos

    QString titleFontSize = QStringLiteral("60"); // TitleFontSize
    QString menuFontSize = QStringLiteral("36"); // MenuFontSize
    QString pictureFontSize = QStringLiteral("36"); // PictureFontSize

    std::uint32_t titleColor = 0xFFFFFF; // TitleColor: Windows colour 0x00BBGGRR
    std::uint32_t menuColor = 0x000000; // MenuColor
    std::uint32_t pictureColor = 0xFFFFFF; // PictureColor

    bool addImages = false; // AddImages
    bool addMovies = false; // AddMovies
    bool displayInfo = true; // DisplayInfo
    bool useFileName = true; // UseFileName
    bool displayFileName = false; // DisplayFileName
    bool displayDate = true; // DisplayDate
    bool imageCentered = true; // ImageCentered
    bool shortcuts = true; // Shortcuts
    bool fullRebuild = false; // FullRebuild
    bool antiFlicker = true; // AntiFlicker
    bool correctEdges = true; // CorrectEdges
    bool correctAspect = true; // CorrectAspect
    int jobs = 0; // Jobs: still encodings run at once; 0 = one per processor core
    int toolTimeout = 300; // ToolTimeout: seconds a tool may show no sign of life; 0 = no limit
    bool slideshowMusic = true; // SlideshowMusic: a folder with sound files opens with a slideshow
    int slideshowFade = 1; // SlideshowFade: cross-fade between a slideshow's pictures, seconds (0 = cut)

    // Derived by setSizes.
    int frameWidth = 704;
    int frameHeight = 576;
    int tvLines = 576;
    int aspectWidth = 768;
    double edgeFraction = 0.06;

    // Enabled states the window mirrors (derived from the values above).
    bool useFilenameEnabled() const { return displayDate && !displayFileName; }
    bool centreFieldsEnabled() const { return !imageCentered; }
    bool percentageEnabled() const { return correctEdges; }

    bool operator==(const Settings &) const = default;

    // The filter code the imaging operations take: list position + 1, or 1
    // (nearest pixel) when fast preview is on.
    int filterCode() const { return fastPreview ? 1 : resizeFilter + 1; }
};
