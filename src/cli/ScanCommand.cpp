#include "cli/ScanCommand.h"

#include <cstdio>

#include <QString>

#include "authoring/MovieLengths.h"
#include "base/Prompter.h"
#include "cli/CommandOptions.h"
#include "cli/ConsoleLine.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"

namespace {

void printLine(const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

QString kindName(const ProjectNode *node)
{
    switch (node->kind()) {
    case NodeKind::Menu:
        return QStringLiteral("menu");
    case NodeKind::Picture:
        return QStringLiteral("picture");
    case NodeKind::Movie:
        return QStringLiteral("movie");
    case NodeKind::Slideshow:
        return QStringLiteral("slideshow");
    case NodeKind::None:
        break;
    }
    return QStringLiteral("missing"); // gone from the disk since the scan
}

// Pre-order: each menu before its entries, entries in disc order.
void printNode(const ProjectNode *node, int depth)
{
    printLine(QString(depth * 2, u' ') + QString::number(node->index()) + u' ' + kindName(node) + u' '
        + ConsoleLine::escaped(node->text()));
    for (int row = 0; row < node->childCount(); ++row)
        printNode(node->child(row), depth + 1);
}

QString count(double value)
{
    return QString::number(value, 'f', 0);
}

// What the scan left off, below the source folder, so that nothing is
// dropped without a word.
void printSkipped(const std::vector<SkippedFile> &skipped, const QString &sourceFolder)
{
    if (skipped.empty())
        return;
    printLine(QLatin1String("Skipped files: ") + QString::number(skipped.size()));
    for (const SkippedFile &file : skipped)
        printLine(QLatin1String("  ") + ConsoleLine::escaped(file.lineBelow(sourceFolder)));
}

} // namespace

int runScanCommand(const CommandOptions &options, Settings &settings, Prompter &prompter)
{
    options.applyTo(settings);

    ProjectTree tree;
    Scanner scanner(tree, settings, prompter);
    MovieLengths lengths;
    scanner.setMovieLength([&lengths](const QString &path) { return lengths.secondsOf(path); });
    if (!scanner.scan())
        return 1;

    std::fflush(stderr);
    printNode(tree.root(), 0);
    const TreeCounters counters = DiscContent::count(tree);
    printLine(QLatin1String("Menus: ") + count(counters.MenuCount));
    printLine(QLatin1String("Items: ") + count(counters.ItemCount));
    printLine(QLatin1String("Capacity (estimated): ") + Capacity::capacityDisplay(counters, settings).label);
    printSkipped(tree.skippedFiles(), tree.root()->fullPath());
    std::fflush(stdout);
    return 0;
}
