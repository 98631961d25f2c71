#include "authoring/GenerationWalk.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "base/Guard.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "authoring/BuildCancel.h"
#include "authoring/DescriptionWriter.h"
#include "authoring/FileNames.h"
#include "authoring/ParallelEncoder.h"
#include "authoring/StillEncoder.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/NodeKind.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

struct GenerationWalk::Saved
{
    ProjectNode *selected = nullptr;
    int menuCounter = 0;
};

namespace {

QString withoutExtension(const QString &path)
{
    return path.left(path.size() - 4);
}

QString shownPath(const ProjectNode *node)
{
    const QString relative = GenerationWalk::relativePart(node);
    return relative.isEmpty() ? QStringLiteral("/") : relative.mid(1);
}

} // namespace

GenerationWalk::GenerationWalk(const Settings &settings, ProjectTree &tree, Renderer &renderer,
    ImgSource &canvas, Prompter &prompter, BuildCancel &cancel, StillEncoder &encoder,
    DescriptionWriter &writer)
    : m_settings(settings)
    , m_tree(tree)
    , m_renderer(renderer)
    , m_canvas(canvas)
    , m_prompter(prompter)
    , m_cancel(cancel)
    , m_encoder(encoder)
    , m_writer(writer)
    , m_model(settings)
{ }

QString GenerationWalk::relativePart(const ProjectNode *node)
{
    QString relative;
    for (const ProjectNode *n = node; n && !n->isRoot(); n = n->parent())
        relative.prepend(u'/' + n->text());
    return relative;
}

QString GenerationWalk::buildPath() const
{
    return m_settings.destinationDir;
}

void GenerationWalk::cancel()
{
    m_userCancelled = true;
    m_cancel.raise();
    if (m_parallel)
        m_parallel->cancel();
}

GenerationWalk::Saved GenerationWalk::remember() const
{
    return { m_tree.selectedNode(), m_menuCounter };
}

void GenerationWalk::restore(const Saved &saved)
{
    m_tree.setSelectedNode(saved.selected);
    m_menuCounter = saved.menuCounter;
}

void GenerationWalk::enterWalk()
{
    if (m_depth++ > 0)
        return;
    // Links reach across the whole disc, whichever menu the walk starts from.
    m_model = NavigationModel::forTree(m_tree.root(), m_settings,
        [this](const ProjectNode *menu) { return m_renderer.entriesPerPage(menu); });
}

void GenerationWalk::yield()
{
    QCoreApplication::processEvents();
}

void GenerationWalk::announce(const QString &state)
{
    if (m_callbacks.stateStarted)
        m_callbacks.stateStarted(state);
}

bool GenerationWalk::walkMenu(ProjectNode *menu)
{
    enterWalk();
    bool result = true;
    const bool finished = Guard::run(QStringLiteral("Function walk_menu"), [&] {
        const Saved saved = remember();
        m_tree.setSelectedNode(menu);
        const int entries = m_renderer.makeMenu(menu).entryCount;
        if (entries >= 1)
            result = menuLoop(menu, entries);
        else
            result = filesLoop(menu);
        restore(saved);
    });
    leaveWalk();
    return finished && result;
}

bool GenerationWalk::menuLoop(ProjectNode *menu, int entries)
{
    bool result = true;
    for (int number = 1; number <= entries; ++number) {
        stepProgress();
        ProjectNode *entry = m_renderer.makeMenu(menu, number).entryNode;
        announce(QLatin1String("menu ") + shownPath(menu) + QLatin1String(", entry ")
            + QString::number(number) + QLatin1String(" \"") + (entry ? entry->text() : QString()) + u'"');
        if (m_callbacks.displayPreview)
            m_callbacks.displayPreview();
        const QString stem = saveStill(menu);
        const DiscState state { entry, false };
        m_writer.addSelectionItem(m_model.links(state));
        m_writer.addSegmentItem(state, stem + QLatin1String(".mpg"));

        yield();
        m_tree.setSelectedNode(entry);
        if (entry && !walkFiles(entry, true))
            result = false;
        m_tree.setSelectedNode(menu);

        if (m_cancel.isRaised())
            result = false;
        if (!result)
            break;
    }
    return result;
}

bool GenerationWalk::walkFiles(ProjectNode *entry, bool)
{
    enterWalk();
    bool result = true;
    const bool finished = Guard::run(QStringLiteral("Function walk_files"), [&] {
        const Saved saved = remember();
        m_tree.setSelectedNode(entry);
        if (m_renderer.makeMenu(entry).entryCount >= 1) {
            // An entry with folders of its own: they become menu states that
            // its menu state links to, so they are generated as a menu.
            result = walkMenu(entry);
        } else {
            result = filesLoop(entry);
        }
        restore(saved);
    });
    leaveWalk();
    return finished && result;
}

bool GenerationWalk::filesLoop(ProjectNode *folder)
{
    if (!folder->hasChildren())
        return true;
    bool result = true;
    m_tree.setHighlighted(folder, true);
    if (m_callbacks.scrollIntoView)
        m_callbacks.scrollIntoView(folder);

    for (int row = 0; row < folder->childCount(); ++row) {
        ProjectNode *child = folder->child(row);
        yield();
        if (m_callbacks.scrollIntoView)
            m_callbacks.scrollIntoView(child);
        switch (nodeKindOf(child->fullPath())) {
        case NodeKind::Picture:
            pictureStates(child);
            break;
        case NodeKind::Movie: {
            announce(QLatin1String("movie ") + shownPath(child));
            const DiscState state { child, false };
            m_writer.addSelectionItem(m_model.links(state));
            m_writer.addSequenceItem(state, child->fullPath());
            break;
        }
        case NodeKind::Menu:
        case NodeKind::None:
            break;
        }
        if (m_cancel.isRaised()) {
            result = false;
            break;
        }
    }

    m_tree.setHighlighted(folder, false);
    yield();
    return result;
}

void GenerationWalk::pictureStates(ProjectNode *picture)
{
    const QString source = picture->fullPath();
    const QString relative = relativePart(picture);
    const QString still = outputPathBelow(buildPath(), withoutExtension(relative)) + QLatin1String(".mpg");

    // One step per picture, before its still (the entry's pictures too, so
    // the progress shown names the state in work).
    stepProgress();

    if (!QFileInfo::exists(still) || m_settings.fullRebuild) {
        announce(QLatin1String("picture ") + shownPath(picture));
        m_renderer.createStill(picture, source);
        if (m_callbacks.displayPreview)
            m_callbacks.displayPreview();
        saveStill(picture);
    } else {
        announce(QLatin1String("picture ") + shownPath(picture) + QLatin1String(" (still reused)"));
    }

    const DiscState plain { picture, false };
    m_writer.addSelectionItem(m_model.links(plain));
    m_writer.addSegmentItem(plain, still);

    // Every picture with a caption file has its caption state, wherever it
    // lies: the editor writes captions for any picture. A failed still has
    // stopped the build; its caption state would fail too.
    const DiscState caption { picture, true };
    const StateLinks captionLinks = m_model.links(caption);
    if (captionLinks.isValid() && !m_cancel.isRaised()) {
        announce(QLatin1String("caption ") + shownPath(picture));
        m_renderer.createStill(picture, source, NavigationModel::captionFileOf(picture));
        if (m_callbacks.displayPreview)
            m_callbacks.displayPreview();
        saveStill(picture, true);
        m_writer.addSelectionItem(captionLinks);
        m_writer.addSegmentItem(caption, withoutExtension(still) + QLatin1String("_text.mpg"));
    }
}

QString GenerationWalk::saveStill(ProjectNode *node, bool caption)
{
    QString stem;
    Guard::run(QStringLiteral("Sub SaveFile"), [&] {
        const bool menu = nodeKindOf(node->fullPath()) == NodeKind::Menu;
        if (menu) {
            ++m_menuCounter;
            const QString folder = outputPathBelow(buildPath(), relativePart(node));
            makeFolderPath(folder + u'/');
            stem = folder + QLatin1String("/Menu_") + QString::number(m_menuCounter).rightJustified(4, u'0');
        } else {
            QString below = withoutExtension(relativePart(node));
            if (caption)
                below += QLatin1String("_text");
            stem = outputPathBelow(buildPath(), below);
            makeFolderPath(parentFolderOf(stem) + u'/');
        }

        if (!m_canvas.saveJpg(stem + QLatin1String(".jpx"), 90)) {
            m_prompter.askOkCancel(localText(TextId::TitleSaveJpeg),
                localText(TextId::MsgCannotSaveJpg) + stem, Prompter::Icon::None);
        }

        if (m_parallel)
            m_parallel->submit(stem);
        else
            m_encoder.encode(stem, stem);
        if (m_cancel.isRaised())
            removeUnfinished(stem);
    });
    return stem;
}

void GenerationWalk::removeUnfinished(const QString &stem)
{
    // The multiplexer step removes the JPEG; when it is still there the step
    // was skipped, and any ".mpg" at this stem is not this build's still.
    if (!QFileInfo::exists(stem + QLatin1String(".jpx")))
        return;
    QFile::remove(stem + QLatin1String(".mpg"));
    if (m_userCancelled) {
        // Cancelled, not failed: nothing is left to look into.
        QFile::remove(stem + QLatin1String(".jpx"));
        QFile::remove(stem + StillEncoder::streamSuffix(m_settings.vcd));
    }
}

void GenerationWalk::resetProgress(int total)
{
    m_progressTotal = total;
    m_progressDone = 0;
}

void GenerationWalk::stepProgress()
{
    if (m_progressDone < m_progressTotal)
        ++m_progressDone;
    if (m_callbacks.progress)
        m_callbacks.progress(m_progressDone, m_progressTotal);
}
