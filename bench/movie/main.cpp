// One movie converted for the disc exactly as a build converts it: probed by
// MovieProbe, converted by MovieConverter (the same arguments, threads and
// part file). run.sh times it against plain ffmpeg.
// Usage: bench_movie CLIP OUTPUT vcd|svcd pal|ntsc

#include <QCoreApplication>

#include <cstdio>

#include "authoring/MovieConverter.h"
#include "authoring/MovieProbe.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: bench_movie CLIP OUTPUT vcd|svcd pal|ntsc\n");
        return 2;
    }
    const MovieConverter::Target target { args.at(3) == QLatin1String("vcd"),
        args.at(4) == QLatin1String("ntsc") };
    const MovieProbe::Info info = MovieProbe::probe(args.at(1));
    if (!info.usable()) {
        std::fprintf(stderr, "%s\n", qPrintable(info.failure));
        return 1;
    }
    QString log;
    const MovieConverter::Outcome outcome = MovieConverter::convert(
        info, target, args.at(1), args.at(2), [&log](const QString &piece) { log += piece; }, {});
    if (outcome.end != MovieConverter::End::Made) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(log), qPrintable(outcome.reason));
        return 1;
    }
    return 0;
}
