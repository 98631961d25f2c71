#pragma once

#include <QString>

#include <cstdint>

// Every user setting, as the settings window holds it at run time (texts
// exactly as typed), plus the derived frame geometry that setSizes keeps.
// Registry value names are given beside each field.
struct Settings
{
    QString sourcedir; // sourcedir
    QString destinationdir; // destinationdir
    QString main_title = QStringLiteral("Your title"); // main_title
    QString timeout = QStringLiteral("6"); // timeout (seconds, 0 = for ever)

    bool ntsc = false; // TVFormat: "NTSC" selects NTSC, anything else PAL
    bool vcd = false; // OutputType: "VCD" selects VCD, anything else SVCD
    bool lowRes = false; // Resolution: "LOW" selects low, anything else high

    QString XCenter = QStringLiteral("352");
    QString YCenter = QStringLiteral("288");
    QString CorrectPercentage = QStringLiteral("6");

    QString FontTitle = QStringLiteral("Arial");
    QString FontMenu = QStringLiteral("Arial");
    QString FontPicture = QStringLiteral("Arial");

    int Resize = 12; // index into the filter list; 12 = "Mitchell"
    bool FastPreview = false;
    bool dispsettings = true;
    int Language = 0; // 0 English, 1 Dutch, 2 German, 3 Portuguese, 4 Italian, 5 French
    int screenXpos = 0; // main window left edge, twips
    int screenYpos = 0; // main window top edge, twips
    std::int32_t textXpos = 0;
    std::int32_t textYpos = 0;

    QString TitleFontSize = QStringLiteral("60");
    QString MenuFontSize = QStringLiteral("36");
    QString PictureFontSize = QStringLiteral("36");

    std::uint32_t TitleColor = 0xFFFFFF; // Windows colour 0x00BBGGRR
    std::uint32_t MenuColor = 0x000000;
    std::uint32_t PictureColor = 0xFFFFFF;

    bool AddImages = false;
    bool AddMovies = false;
    bool DisplayInfo = true;
    bool UseFileName = true;
    bool DisplayFileName = false;
    bool DisplayDate = true;
    bool ImageCentered = true;
    bool Shortcuts = true;
    bool FullRebuild = false;
    bool AntiFlicker = true;
    bool CorrectEdges = true;
    bool CorrectAspect = true;
    int Jobs = 0; // Jobs: still encodings run at once; 0 = one per processor core

    // Derived by setSizes.
    int FrameWidth = 704;
    int FrameHeight = 576;
    int TvLines = 576;
    int AspectWidth = 768;
    double EdgeFraction = 0.06;

    // Enabled states the window mirrors (derived from the values above).
    bool useFilenameEnabled() const { return DisplayDate && !DisplayFileName; }
    bool centreFieldsEnabled() const { return !ImageCentered; }
    bool percentageEnabled() const { return CorrectEdges; }

    bool operator==(const Settings &) const = default;

    // The filter code the imaging operations take: list position + 1, or 1
    // (nearest pixel) when fast preview is on.
    int filterCode() const { return FastPreview ? 1 : Resize + 1; }
};
