#include "project/Capacity.h"

#include <algorithm>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/Settings.h"

int CapacityDisplay::clampedPosition() const
{
    return std::clamp(barPosition, 0, Capacity::CdLimitMb);
}

CapacityEstimate Capacity::estimate(const TreeCounters &counters, const Settings &settings)
{
    const double baseBytes = (settings.addImages ? counters.PictureBytesTotal : 0.0)
        + (settings.addMovies ? counters.MovieBytesTotal : 0.0);
    const double perEntry = settings.vcd ? BytesPerEntryVcd : BytesPerEntrySvcd;

    CapacityEstimate result;
    // A slideshow is a movie of the disc's constant bit rate: video and
    // 224 kbit/s sound, in 2324-byte sectors, 75 a second on a VCD.
    const double slideshowSeconds = counters.slideshowPictures * slideshowPictureSeconds(settings);
    const double slideshowBytes = slideshowSeconds * (settings.vcd ? 75.0 * 2324 : 2724000.0 / 8);
    result.estimateBytes
        = counters.MenuCount * perEntry + counters.ItemCount * perEntry + baseBytes + slideshowBytes;
    result.estimateMb = result.estimateBytes / 1024 / 1024;
    result.entries = counters.MenuCount + counters.ItemCount;
    return result;
}

double Capacity::slideshowPictureSeconds(const Settings &settings)
{
    const int seconds = Numeric::roundHalfEven(Numeric::val(settings.timeout));
    return seconds < 1 ? 6.0 : seconds;
}

CapacityDisplay Capacity::capacityDisplay(const TreeCounters &counters, const Settings &settings)
{
    const CapacityEstimate e = estimate(counters, settings);
    const double entryFill = static_cast<double>(CdLimitMb) / MaxEntries * e.entries;

    CapacityDisplay display;
    if (e.estimateMb >= entryFill) {
        display.barPosition = Numeric::roundHalfEven(e.estimateMb);
        display.label = QString::number(Numeric::roundHalfEven(e.estimateMb)) + QLatin1String(" Mb");
    } else {
        display.barPosition = Numeric::roundHalfEven(entryFill);
        display.label = localText(TextId::CapacityItems).arg(Numeric::roundHalfEven(e.entries));
    }
    return display;
}

bool Capacity::checkLimits(
    bool ask, const TreeCounters &counters, const Settings &settings, Prompter &prompter)
{
    const CapacityEstimate e = estimate(counters, settings);
    const QString title = localText(TextId::TitleTooManyFiles);

    QString askText;
    QString tellText;
    if (e.entries > MaxEntries) {
        askText = localText(TextId::MsgTooManyEntriesAsk);
        tellText = localText(TextId::MsgTooManyEntries);
    } else if (e.estimateMb > CdLimitMb) {
        askText = localText(TextId::MsgMayNotFitAsk);
        tellText = localText(TextId::MsgMayNotFit);
    } else {
        return true;
    }

    if (ask)
        return prompter.askYesNo(title, askText, Prompter::Icon::Warning, /*defaultYes=*/false);
    prompter.inform(title, tellText, Prompter::Icon::Warning);
    return true;
}
