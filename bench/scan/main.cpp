// Scan speed: a source folder of 200 folders with 100 files each (20,000
// entries: pictures, movies and files the scan ignores) is read into the tree
// several times; prints the median. The target is well under one second.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Prompter.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"

namespace {

class QuietPrompter : public Prompter
{
public:
    void inform(const QString &, const QString &, Icon) override { ++boxes; }
    bool askYesNo(const QString &, const QString &, Icon, bool defaultYes) override { return defaultYes; }
    bool askOkCancel(const QString &, const QString &, Icon) override { return true; }
    int boxes = 0;
};

constexpr int kGroups = 10;
constexpr int kFoldersPerGroup = 20;
constexpr int kFilesPerFolder = 100;
constexpr int kRuns = 9;

bool makeAlbum(const QString &root)
{
    const QByteArray payload(4096, 'x');
    for (int g = 0; g < kGroups; ++g) {
        for (int f = 0; f < kFoldersPerGroup; ++f) {
            const QString folder = root + QStringLiteral("/Group %1/Folder %2").arg(g).arg(f);
            if (!QDir().mkpath(folder))
                return false;
            for (int i = 0; i < kFilesPerFolder; ++i) {
                // Mostly pictures, some movies, a few files the scan skips.
                const char *ext = i % 10 == 9 ? ".txt" : (i % 10 == 8 ? ".mpg" : ".JPG");
                QFile file(
                    folder + QStringLiteral("/img_%1").arg(i, 4, 10, QLatin1Char('0')) + QLatin1String(ext));
                if (!file.open(QIODevice::WriteOnly) || file.write(payload.left(100 + i * 37)) < 0)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !makeAlbum(dir.path())) {
        std::fprintf(stderr, "bench_scan: cannot create the test album in %s\n", qPrintable(dir.path()));
        return 1;
    }

    Settings settings;
    settings.sourceDir = dir.path();
    settings.vcd = true;
    QuietPrompter prompter;
    ProjectTree tree;
    Scanner scanner(tree, settings, prompter);
    long long callbacks = 0;
    // The window binds these; a counter stands in for its throttled repaint.
    scanner.setCallbacks({ [&](const ProjectNode *, const TreeCounters &) { ++callbacks; },
        [&](const CapacityDisplay &) { ++callbacks; } });

    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        scanner.fillTree();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());

    const TreeCounters &c = tree.counters();
    std::printf("scan of %d folders x %d files: %.0f menus, %.0f items, %lld callbacks per run\n",
        kGroups * kFoldersPerGroup, kFilesPerFolder, c.MenuCount, c.ItemCount, callbacks / kRuns);
    std::printf("median %.1f ms over %d runs (min %.1f, max %.1f); target < 1000 ms\n",
        times[times.size() / 2], kRuns, times.front(), times.back());
    return times[times.size() / 2] < 1000.0 ? 0 : 1;
}
