// Resampler and anti-flicker speed: a 2000 x 1500 photo-like raster made into
// a 704 x 576 still with every filter code, and the anti-flicker pass over the
// result. Prints the median of several runs per filter in milliseconds of
// processor time, so a busy machine does not inflate the figures.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

#include "imaging/ImgSource.h"
#include "imaging/Resampler.h"

namespace {

constexpr int kRuns = 9;

QImage photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(40, 90, 200));
    sky.setColorAt(1, QColor(230, 200, 150));
    p.fillRect(image.rect(), sky);
    p.setPen(QPen(QColor(20, 20, 20), 2));
    for (int x = 0; x < w; x += 17)
        p.drawLine(x, 0, w - x, h);
    return image;
}

template <typename Work> double medianMs(Work work)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        timespec start {};
        timespec end {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        work();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        times.push_back((end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

// Processor time of one resize, without the copy that gives it a fresh source.
double resizeMs(const ImgSource &source, int width, int height, int code)
{
    const double ms = medianMs([&] {
        ImgSource image = source.copy();
        image.resize(width, height, code);
    });
    return ms - medianMs([&] { ImgSource image = source.copy(); });
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ImgSource source;
    source.loadPicture(photo(2000, 1500));

    for (int code = Resampler::FirstFilter; code <= Resampler::LastFilter; ++code)
        std::printf("%-14s 2000x1500 -> 704x576  %7.2f ms\n", Resampler::filterName(code),
            resizeMs(source, 704, 576, code));
    // A 12-megapixel photo reaches the resampler decoded at a quarter scale.
    ImgSource quarter;
    quarter.loadPicture(photo(1000, 750));
    std::printf(
        "%-14s 1000x750 -> 704x528   %7.2f ms\n", Resampler::filterName(13), resizeMs(quarter, 704, 528, 13));

    ImgSource still = source.copy();
    still.resize(704, 576, 13);
    const double flickerMs = medianMs([&] { still.antiFlicker(); });
    std::printf("%-14s 704x576               %7.2f ms\n", "AntiFlicker", flickerMs);
    return 0;
}
