#include "project/Capacity.h"

#include <algorithm>
#include <cmath>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/Settings.h"

int CapacityDisplay::clampedPosition() const
{
    return std::clamp(barPosition, 0, Capacity::CdLimitMb);
}

double Capacity::onDiscBytes(double bytes)
{
    return std::ceil(bytes / SectorBytes) * SectorBytes;
}

double Capacity::indexBytes(double files)
{
    return onDiscBytes(IndexBaseBytes + IndexBytesPerFile * files);
}

CapacityEstimate Capacity::estimate(const TreeCounters &counters, const Settings &settings)
{
    double baseBytes = (settings.addImages ? counters.PictureBytesTotal : 0.0)
        + (settings.addMovies ? counters.MovieBytesTotal : 0.0);
    // The counters do not tell pictures from movies: the page is taken as
    // listing every item, a little more than it may.
    if (baseBytes > 0)
        baseBytes += indexBytes(counters.ItemCount);
    const double perEntry = settings.vcd ? BytesPerEntryVcd : BytesPerEntrySvcd;

    CapacityEstimate result;
    // Movies and slideshows go on the disc at its constant bit rate: video
    // and 224 kbit/s sound, in 2324-byte sectors, 75 a second on a VCD (an
    // SVCD's rate is its most). A movie whose length is not known counts its
    // source bytes.
    const double bytesPerSecond = settings.vcd ? 75.0 * 2324 : 2724000.0 / 8;
    const double slideshowSeconds = counters.slideshowPictures * slideshowPictureSeconds(settings);
    const double movingBytes
        = (slideshowSeconds + counters.movieSeconds) * bytesPerSecond + counters.unmeasuredMovieBytes;
    // Every still counts: a menu entry's page, a picture or movie, and the
    // caption still of a picture that has a caption file.
    result.entries = counters.MenuCount + counters.ItemCount + counters.CaptionCount;
    result.estimateBytes = result.entries * perEntry + baseBytes + movingBytes;
    result.estimateMb = result.estimateBytes / 1024 / 1024;
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
    display.barPosition = Numeric::roundHalfEven(std::max(e.estimateMb, entryFill));
    display.label = localText(TextId::CapacityLine)
                        .arg(Numeric::roundHalfEven(e.estimateMb))
                        .arg(Numeric::roundHalfEven(e.entries));
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
