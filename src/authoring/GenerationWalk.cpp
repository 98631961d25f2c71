#include "authoring/GenerationWalk.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>

#include "base/Guard.h"
#include "base/Prompter.h"
#include "authoring/Workspace.h"
#include "authoring/DescriptionWriter.h"
#include "authoring/FileNames.h"
#include "authoring/ParallelEncoder.h"
#include "authoring/StillEncoder.h"
#include "project/NodeKind.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

struct GenerationWalk::Saved
{
    ProjectNode *currentEntry = nullptr;
    ProjectNode *selected = nullptr;
    int selectedEntry = 1;
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

GenerationWalk::GenerationWalk(Workspace &workspace, StillEncoder &encoder, DescriptionWriter &writer)
    : m_ws(workspace)
    , m_encoder(encoder)
    , m_writer(writer)
{ }

QString GenerationWalk::relativePart(const ProjectNode *node)
{
    QString relative;
    for (const ProjectNode *n = node; n && !n->isRoot(); n = n->parent())
        relative.prepend(u'/' + n->Text());
    return relative;
}

QString GenerationWalk::buildPath() const
{
    return m_ws.settings.destinationdir;
}

void GenerationWalk::cancel()
{
    m_userCancelled = true;
    m_ws.state.CancelBuild = true;
    if (m_parallel)
        m_parallel->cancel();
}

GenerationWalk::Saved GenerationWalk::remember() const
{
    return { m_ws.state.CurrentEntryNode, m_ws.tree.selectedNode(), m_ws.state.SelectedEntry,
        m_ws.state.MenuCounter };
}

void GenerationWalk::restore(const Saved &saved)
{
    m_ws.state.CurrentEntryNode = saved.currentEntry;
    m_ws.tree.setSelectedNode(saved.selected);
    m_ws.state.SelectedEntry = saved.selectedEntry;
    m_ws.state.MenuCounter = saved.menuCounter;
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

bool GenerationWalk::walk_menu(ProjectNode *menu)
{
    bool result = true;
    const bool finished = Guard::run(QStringLiteral("Function walk_menu"), [&] {
        const Saved saved = remember();
        m_ws.tree.setSelectedNode(menu);
        m_ws.renderer.MakeMenu(menu);
        if (m_ws.state.EntryCount >= 1)
            result = menuLoop(menu);
        else
            result = filesLoop(menu);
        restore(saved);
    });
    return finished && result;
}

bool GenerationWalk::menuLoop(ProjectNode *menu)
{
    BuildState &s = m_ws.state;
    bool result = true;
    const int entries = s.EntryCount;
    s.SelectedEntry = 1;
    while (s.SelectedEntry <= entries) {
        UpdateProgressBar();
        m_ws.renderer.MakeMenu(menu);
        ProjectNode *entry = s.CurrentEntryNode;
        announce(QLatin1String("menu ") + shownPath(menu) + QLatin1String(", entry ")
            + QString::number(s.SelectedEntry) + QLatin1String(" \"") + (entry ? entry->Text() : QString())
            + u'"');
        if (m_callbacks.DisplayPreview)
            m_callbacks.DisplayPreview();
        SaveFile(menu);
        m_writer.AddSelectionItem(entry, true);
        m_writer.AddSegmentItem(entry, true);

        yield();
        const int entryCount = s.EntryCount;
        const int perPage = s.EntriesPerPage;
        const int selectedEntry = s.SelectedEntry;
        m_ws.tree.setSelectedNode(entry);

        if (entry && !walk_files(entry, true))
            result = false;

        m_ws.tree.setSelectedNode(menu);
        s.SelectedEntry = selectedEntry;
        s.EntryCount = entryCount;
        s.EntriesPerPage = perPage;

        if (s.CancelBuild)
            result = false;
        if (!result)
            break;
        ++s.SelectedEntry;
    }
    return result;
}

bool GenerationWalk::walk_files(ProjectNode *entry, bool)
{
    bool result = true;
    const bool finished = Guard::run(QStringLiteral("Function walk_files"), [&] {
        const Saved saved = remember();
        m_ws.tree.setSelectedNode(entry);
        m_ws.renderer.MakeMenu(entry);
        if (m_ws.state.EntryCount >= 1) {
            // An entry with folders of its own: they become menu states that
            // its menu state links to, so they are generated as a menu.
            result = walk_menu(entry);
        } else {
            result = filesLoop(entry);
        }
        restore(saved);
    });
    return finished && result;
}

bool GenerationWalk::filesLoop(ProjectNode *folder)
{
    if (!folder->hasChildren())
        return true;
    bool result = true;
    m_ws.tree.setHighlighted(folder, true);
    if (m_callbacks.scrollIntoView)
        m_callbacks.scrollIntoView(folder);

    for (int row = 0; row < folder->childCount(); ++row) {
        ProjectNode *child = folder->child(row);
        yield();
        if (m_callbacks.scrollIntoView)
            m_callbacks.scrollIntoView(child);
        switch (nodeKindOf(child->FullPath())) {
        case NodeKind::Picture:
            pictureStates(child);
            break;
        case NodeKind::Movie:
            announce(QLatin1String("movie ") + shownPath(child));
            m_ws.state.CurrentFile = child->FullPath();
            m_ws.state.CaptionFile.clear();
            m_writer.AddSelectionItem(child, false);
            m_writer.AddSequenceItem(child);
            break;
        case NodeKind::Menu:
        case NodeKind::None:
            break;
        }
        if (m_ws.state.CancelBuild) {
            result = false;
            break;
        }
    }

    m_ws.tree.setHighlighted(folder, false);
    yield();
    return result;
}

void GenerationWalk::pictureStates(ProjectNode *picture)
{
    BuildState &s = m_ws.state;
    const QString source = picture->FullPath();
    const QString relative = relativePart(picture);
    const QString still = OutputPathBelow(buildPath(), withoutExtension(relative)) + QLatin1String(".mpg");

    // One step per picture, before its still (the entry's pictures too, so
    // the progress shown names the state in work).
    UpdateProgressBar();
    // Every picture with a caption file gets its caption state, wherever it
    // lies: the editor writes captions for any picture.
    s.CaptionFile = withoutExtension(source) + QLatin1String(".txt");
    if (!QFileInfo(s.CaptionFile).isFile())
        s.CaptionFile.clear();

    if (!QFileInfo::exists(still) || m_ws.settings.FullRebuild) {
        announce(QLatin1String("picture ") + shownPath(picture));
        m_ws.renderer.CreateStill(picture, source);
        if (m_callbacks.DisplayPreview)
            m_callbacks.DisplayPreview();
        SaveFile(picture);
    } else {
        announce(QLatin1String("picture ") + shownPath(picture) + QLatin1String(" (still reused)"));
    }

    s.CurrentFile = still;
    m_writer.AddSelectionItem(picture, false);
    m_writer.AddSegmentItem(picture, false);

    // A failed still has stopped the build; its caption state would fail too.
    if (!s.CaptionFile.isEmpty() && !s.CancelBuild) {
        announce(QLatin1String("caption ") + shownPath(picture));
        s.TextMode = true;
        m_ws.renderer.CreateStill(picture, source);
        if (m_callbacks.DisplayPreview)
            m_callbacks.DisplayPreview();
        SaveFile(picture);
        s.CurrentFile = withoutExtension(still) + QLatin1String("_text.mpg");
        m_writer.AddSelectionItem(picture, false);
        m_writer.AddSegmentItem(picture, false);
        s.TextMode = false;
    }
}

void GenerationWalk::SaveFile(ProjectNode *node)
{
    Guard::run(QStringLiteral("Sub SaveFile"), [&] {
        BuildState &s = m_ws.state;
        const bool menu = nodeKindOf(node->FullPath()) == NodeKind::Menu;
        if (menu) {
            ++s.MenuCounter;
            const QString folder = OutputPathBelow(buildPath(), relativePart(node));
            MakeFolderPath(folder + u'/');
            s.CurrentFile
                = folder + QLatin1String("/Menu_") + QString::number(s.MenuCounter).rightJustified(4, u'0');
        } else {
            QString below = withoutExtension(relativePart(node));
            if (s.TextMode)
                below += QLatin1String("_text");
            s.CurrentFile = OutputPathBelow(buildPath(), below);
            MakeFolderPath(ParentFolderOf(s.CurrentFile) + u'/');
        }

        if (!m_ws.canvas.SaveJpg(s.CurrentFile + QLatin1String(".jpx"), 90)) {
            m_ws.prompter().askOkCancel(LocalText(TextId::TitleSaveJpeg),
                LocalText(TextId::MsgCannotSaveJpg) + s.CurrentFile, Prompter::Icon::None);
        }

        const QString stem = s.CurrentFile;
        if (m_parallel)
            m_parallel->submit(stem);
        else
            m_encoder.creatempeg(stem, stem);
        if (s.CancelBuild)
            removeUnfinished(stem);
    });
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
        QFile::remove(stem + StillEncoder::StreamSuffix(m_ws.settings.vcd));
    }
}

void GenerationWalk::UpdateProgressBar()
{
    BuildState &s = m_ws.state;
    if (s.ProgressDone < s.ProgressTotal)
        ++s.ProgressDone;
    if (m_callbacks.progress)
        m_callbacks.progress(s.ProgressDone, s.ProgressTotal);
}
