#pragma once

#include <QString>

#include "project/TreeCounters.h"

struct Settings;
class Prompter;

// The disc-size estimate from the running counters.
struct CapacityEstimate
{
    double estimateBytes = 0;
    double estimateMb = 0; // not rounded
    double entries = 0; // menus plus items
};

// What the capacity bar and its label show after ShowCapacity.
struct CapacityDisplay
{
    int barPosition = 0; // on the bar's 0..CdLimitMb scale; may lie above it
    QString label; // "N MB · M items": both limits at once

    // The position a bar limited to 0..CdLimitMb can take: above the limit it
    // stands full (a progress bar ignores values outside its range).
    int clampedPosition() const;

    bool operator==(const CapacityDisplay &other) const = default;
};

// Keeps the user informed of the two limits of a disc: how many menus and
// pictures it may hold, and how much a CD takes.
class Capacity
{
public:
    static constexpr int MaxEntries = 1900;
    static constexpr int CdLimitMb = 700;
    static constexpr double BytesPerEntryVcd = 200000;
    static constexpr double BytesPerEntrySvcd = 100000;

    static constexpr double SectorBytes = 2048;
    // A rough size of INDEX.HTM: its frame and one line per original.
    static constexpr double IndexBaseBytes = 1024;
    static constexpr double IndexBytesPerFile = 160;

    // The room a file of `bytes` takes in the disc's file system: whole sectors.
    static double onDiscBytes(double bytes);
    // The room INDEX.HTM takes when it lists this many originals.
    static double indexBytes(double files);

    // Original files count only when the settings add them to the disc, and
    // then with the index page that lists them; the counters hold their
    // sizes in whole sectors (DiscContent::count).
    static CapacityEstimate estimate(const TreeCounters &counters, const Settings &settings);

    // Seconds a slideshow shows each picture: the picture timeout, or 6 when
    // pictures wait for ever.
    static double slideshowPictureSeconds(const Settings &settings);

    // The bar follows whichever limit is tighter: the size in MB, or the entry
    // count scaled so that MaxEntries fills the bar.
    static CapacityDisplay capacityDisplay(const TreeCounters &counters, const Settings &settings);

    // Warns when a limit is exceeded (the entry limit first; then the size is
    // not tested). With ask the user chooses Yes or No (No is the default) and
    // the result is false only for No; without ask the box has OK and the
    // result is true.
    static bool checkLimits(
        bool ask, const TreeCounters &counters, const Settings &settings, Prompter &prompter);
};
