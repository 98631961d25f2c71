// Still speed: one 4000 x 3000 photo (quality 90) made into a PAL high
// resolution still with aspect correction and anti-flicker, and saved as the
// walk saves it, against ImageMagick's convert doing the same resize and save
// in the same run. Prints both medians and their ratio; the target is <= 0.20.
// Then the same photo as HEIC (converted once by ImageMagick at quality 85)
// against the JPEG, still for still; the target is HEIC at most 2 times JPEG.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Prompter.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

namespace {

constexpr int kRuns = 7;

class QuietPrompter : public Prompter
{
public:
    void inform(const QString &, const QString &, Icon) override { }
    bool askYesNo(const QString &, const QString &, Icon, bool defaultYes) override { return defaultYes; }
    bool askOkCancel(const QString &, const QString &, Icon) override { return true; }
};

// A photo-like picture: gradients, shapes and fine lines, so the encoder and
// the resampler have real detail to work on.
bool paintPhoto(const QString &path)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 3000);
    sky.setColorAt(0, QColor(40, 90, 200));
    sky.setColorAt(0.6, QColor(230, 200, 150));
    sky.setColorAt(1, QColor(60, 110, 40));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 60; ++i) {
        QRadialGradient blob(QPointF(200 + (i * 611) % 3600, 200 + (i * 389) % 2600), 80 + (i * 37) % 300);
        blob.setColorAt(0, QColor::fromHsv((i * 47) % 360, 200, 240));
        blob.setColorAt(1, QColor::fromHsv((i * 47 + 120) % 360, 150, 90, 0));
        p.setBrush(blob);
        p.setPen(Qt::NoPen);
        p.drawEllipse(blob.center(), blob.radius(), blob.radius() * 0.7);
    }
    p.setPen(QPen(QColor(20, 20, 20), 3));
    for (int x = 0; x < 4000; x += 23)
        p.drawLine(x, 2200, x + 400, 3000);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 120));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 300, 4000, 400), Qt::AlignCenter, QStringLiteral("Kelvara still benchmark"));
    p.end();
    return image.save(path, "JPEG", 90);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_still: no temporary folder\n");
        return 1;
    }
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!paintPhoto(photo)) {
        std::fprintf(stderr, "bench_still: cannot write the test photo\n");
        return 1;
    }
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        std::fprintf(stderr, "bench_still: ImageMagick's convert is not on the PATH\n");
        return 1;
    }

    // PAL, high resolution, aspect and edge correction, anti-flicker, Mitchell,
    // date stamp and file name as a user leaves them: the defaults.
    Settings settings;
    settings.fastPreview = false;
    settings.antiFlicker = true;
    settings.correctAspect = true;
    settings.aspectWidth = 768;
    ProjectTree tree;
    ProjectNode *root = tree.addRoot(dir.path() + u'/', dir.path());
    ProjectNode *node = tree.addChild(root, photo, QStringLiteral("photo.jpg"));
    tree.setTag(node, QStringLiteral("photo.jpg"));
    ImgSource canvas;
    ImgSource picture;
    QuietPrompter prompter;
    Renderer renderer(settings, tree, canvas, picture, prompter);

    const QString ours = dir.filePath(QStringLiteral("ours.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.jpg"));
    const QStringList convertArgs { photo, QStringLiteral("-filter"), QStringLiteral("Mitchell"),
        QStringLiteral("-resize"), QStringLiteral("704x576"), QStringLiteral("-background"),
        QStringLiteral("black"), QStringLiteral("-gravity"), QStringLiteral("center"),
        QStringLiteral("-extent"), QStringLiteral("704x576"), QStringLiteral("-quality"),
        QStringLiteral("90"), theirs };

    std::vector<double> stillMs;
    std::vector<double> convertMs;
    QElapsedTimer timer;
    // Alternate the two so that both see the same machine load.
    for (int run = 0; run < kRuns; ++run) {
        timer.start();
        renderer.createStill(node, photo);
        if (!canvas.saveJpg(ours, 90)) {
            std::fprintf(stderr, "bench_still: SaveJpg failed\n");
            return 1;
        }
        stillMs.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        const int code = QProcess::execute(convert, convertArgs);
        convertMs.push_back(timer.nsecsElapsed() / 1e6);
        if (code != 0) {
            std::fprintf(stderr, "bench_still: convert failed (%d)\n", code);
            return 1;
        }
    }

    const double still = median(stillMs);
    const double magick = median(convertMs);
    const double ratio = still / magick;
    std::printf("still 4000x3000 -> %dx%d (createStill + saveJpg): median %.1f ms over %d runs\n",
        canvas.width(), canvas.height(), still, kRuns);
    std::printf("convert -filter Mitchell -resize 704x576 ... -quality 90: median %.1f ms over %d runs\n",
        magick, kRuns);
    std::printf("ratio %.3f (target <= 0.20): %s\n", ratio, ratio <= 0.20 ? "met" : "NOT met");

    const QString heic = dir.filePath(QStringLiteral("photo.heic"));
    if (QProcess::execute(convert, { photo, QStringLiteral("-quality"), QStringLiteral("85"), heic }) != 0) {
        std::fprintf(stderr, "bench_still: convert cannot write HEIC\n");
        return 1;
    }
    ProjectNode *heicNode = tree.addChild(root, heic, QStringLiteral("photo.heic"));
    tree.setTag(heicNode, QStringLiteral("photo.heic"));
    std::vector<double> jpegMs;
    std::vector<double> heicMs;
    for (int run = 0; run < kRuns; ++run) {
        for (const bool isHeic : { false, true }) {
            timer.start();
            if (!renderer.createStill(isHeic ? heicNode : node, isHeic ? heic : photo)
                || !canvas.saveJpg(ours, 90)) {
                std::fprintf(stderr, "bench_still: %s\n", qPrintable(renderer.lastPictureProblem()));
                return 1;
            }
            (isHeic ? heicMs : jpegMs).push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    const double fromJpeg = median(jpegMs);
    const double fromHeic = median(heicMs);
    std::printf("still from JPEG: median %.1f ms, from HEIC: median %.1f ms over %d runs\n", fromJpeg,
        fromHeic, kRuns);
    std::printf("HEIC/JPEG %.3f (target <= 2): %s\n", fromHeic / fromJpeg,
        fromHeic <= 2 * fromJpeg ? "met" : "NOT met");
    return 0;
}
