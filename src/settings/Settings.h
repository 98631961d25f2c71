#pragma once

#include <QString>

#include <cstdint>

// Every user setting, as the settings window holds it at run time (texts
// exactly as typed), plus the derived frame geometry that setSizes keeps.
// Registry value names are given beside each field.
struct Settings
{
    QString sourceDir; // sourcedir
    QString destinationDir; // destinationdir
    QString mainTitle = QStringLiteral("Your title"); // main_title
    QString timeout = QStringLiteral("6"); // timeout (seconds, 0 = for ever)

    bool ntsc = false; // TVFormat: "NTSC" selects NTSC, anything else PAL
    bool vcd = false; // OutputType: "VCD" selects VCD, anything else SVCD
    bool lowRes = false; // Resolution: "LOW" selects low, anything else high

    QString xCenter = QStringLiteral("352");
    QString yCenter = QStringLiteral("288");
    QString correctPercentage = QStringLiteral("6");

    QString titleFont = QStringLiteral("Arial");
    QString menuFont = QStringLiteral("Arial");
    QString pictureFont = QStringLiteral("Arial");

    int resizeFilter = 12; // index into the filter list; 12 = "Mitchell"
    bool fastPreview = false;
    bool showSettings = true;
    int language = 0; // 0 English, 1 Dutch, 2 German, 3 Portuguese, 4 Italian, 5 French
    int screenX = 0; // main window left edge, twips
    int screenY = 0; // main window top edge, twips
    std::int32_t stampX = 0;
    std::int32_t stampY = 0;

    QString titleFontSize = QStringLiteral("60");
    QString menuFontSize = QStringLiteral("36");
    QString pictureFontSize = QStringLiteral("36");

    std::uint32_t titleColor = 0xFFFFFF; // Windows colour 0x00BBGGRR
    std::uint32_t menuColor = 0x000000;
    std::uint32_t pictureColor = 0xFFFFFF;

    bool addImages = false;
    bool addMovies = false;
    bool displayInfo = true;
    bool useFileName = true;
    bool displayFileName = false;
    bool displayDate = true;
    bool imageCentered = true;
    bool shortcuts = true;
    bool fullRebuild = false;
    bool antiFlicker = true;
    bool correctEdges = true;
    bool correctAspect = true;
    int jobs = 0; // Jobs: still encodings run at once; 0 = one per processor core

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
