#include "cli/RenderCommand.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QString>

#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "cli/CommandOptions.h"
#include "cli/ConsoleLine.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"
#include "settings/SettingsController.h"

namespace {

int fail(const QString &reason)
{
    return ConsoleLine::fail("render", reason);
}

} // namespace

int runRenderCommand(const CommandOptions &options, Settings &settings, Prompter &prompter)
{
    options.applyTo(settings);
    // The page as the disc gets it: the build renders without fast preview.
    settings.fastPreview = false;
    SettingsController(settings, prompter).setSizes(); // the frame of the chosen format

    if (!options.node)
        return fail(QStringLiteral("--node INDEX is required"));
    if (options.out.isEmpty())
        return fail(QStringLiteral("--out FILE.jpg is required"));
    if (options.entry < 1)
        return fail(QStringLiteral("--entry must be 1 or more"));

    ProjectTree tree;
    Scanner scanner(tree, settings, prompter);
    if (!scanner.scan())
        return 1; // the scanner has said why

    const int index = *options.node;
    ProjectNode *node = tree.nodeByIndex(index);
    if (!node)
        return fail(QStringLiteral("no node with index %1 (the tree has nodes 1 to %2)")
                        .arg(index)
                        .arg(tree.highestIndex()));

    ImgSource canvas;
    ImgSource picture;
    Renderer renderer(settings, tree, canvas, picture, prompter);
    QString what;

    switch (node->kind()) {
    case NodeKind::Menu: {
        MenuPage page = renderer.makeMenu(node, 1);
        if (options.entry > std::max(page.entryCount, 1)) {
            return fail(page.entryCount == 0
                    ? QStringLiteral("node %1 is a menu without entries; only --entry 1 "
                                     "exists")
                          .arg(index)
                    : QStringLiteral("node %1 has %2 entries; --entry %3 does not exist")
                          .arg(index)
                          .arg(page.entryCount)
                          .arg(options.entry));
        }
        if (options.entry > 1)
            page = renderer.makeMenu(node, options.entry);
        what = page.entryCount > 0 ? QStringLiteral("menu \"%1\", entry %2 of %3")
                                         .arg(node->tag())
                                         .arg(options.entry)
                                         .arg(page.entryCount)
                                   : QStringLiteral("menu \"%1\"").arg(node->tag());
        break;
    }
    case NodeKind::Picture:
        renderer.createStill(node, node->fullPath());
        what = QStringLiteral("picture \"%1\"").arg(node->text());
        break;
    case NodeKind::Movie:
        renderer.makeMoviePage();
        what = QStringLiteral("movie \"%1\"").arg(node->text());
        break;
    case NodeKind::Slideshow:
        renderer.makeNoticePage(localText(TextId::Slideshow) + u'\r' + localText(TextId::SlideshowOnDisc));
        what = QStringLiteral("slideshow of \"%1\"").arg(node->parent()->text());
        break;
    case NodeKind::None:
        return fail(QStringLiteral("node %1 (%2) is no longer on disk")
                        .arg(index)
                        .arg(QDir::toNativeSeparators(node->fullPath())));
    }

    if (!canvas.saveJpg(options.out, 90))
        return fail(QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(options.out)));
    ConsoleLine::print(stdout, what + QLatin1String(" -> ") + QDir::toNativeSeparators(options.out));
    return 0;
}
