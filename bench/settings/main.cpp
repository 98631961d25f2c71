// Settings read speed: a settings file of 100,000 values under the program's
// key is read as readSettings reads it (one batch, a few values asked for)
// several times; prints the median. The target is well under one second.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "settings/FileRegistryStore.h"
#include "settings/Registry.h"
#include "settings/SettingsController.h"

namespace {

constexpr int kValues = 100000;
constexpr int kRuns = 5;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    FileRegistryStore store(dir.path());
    QFile file(store.fileFor(RegistryStore::LocalMachine));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "bench_settings: cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    QByteArray text
        = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + SettingsController::registryKey().toUtf8() + "]\n";
    for (int i = 0; i < kValues; ++i)
        text += "\"value" + QByteArray::number(i) + "\"=\"text " + QByteArray::number(i) + "\"\n";
    file.write(text);
    file.close();

    std::vector<double> times;
    QString last;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        RegistryStore::Update batch(store);
        Registry reg(store);
        reg.setClassKey(Registry::HKEY_LOCAL_MACHINE);
        reg.setSectionKey(SettingsController::registryKey());
        for (const char *name : { "value0", "VALUE50000", "value99999" }) {
            reg.setValueKey(QLatin1String(name));
            last = reg.value().toString();
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());

    std::printf("settings file of %d values (%lld bytes), last value read: %s\n", kValues,
        static_cast<long long>(text.size()), qPrintable(last));
    std::printf("median %.1f ms over %d runs (min %.1f, max %.1f); target < 1000 ms\n",
        times[times.size() / 2], kRuns, times.front(), times.back());
    return times[times.size() / 2] < 1000.0 ? 0 : 1;
}
