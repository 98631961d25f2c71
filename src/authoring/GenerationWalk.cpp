#include "authoring/GenerationWalk.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "authoring/BuildCancel.h"
#include "authoring/DescriptionWriter.h"
#include "authoring/FileNames.h"
#include "authoring/MovieConverter.h"
#include "authoring/ParallelEncoder.h"
#include "authoring/SlideshowMaker.h"
#include "authoring/StillEncoder.h"
#include "base/ContentHash.h"
#include "base/Guard.h"
#include "base/ProgramFolder.h"
#include "base/ProgramInfo.h"
#include "base/StartupCheck.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "imaging/ImgSource.h"
#include "imaging/Renderer.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

struct GenerationWalk::Saved
{
    ProjectNode *selected = nullptr;
    int menuCounter = 0;
};

namespace {

constexpr int kJpegQuality = 90;

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
    m_names.assign(m_tree.root());
    m_sourceHashes.clear();
    m_unusableMovies.clear();
    m_unplayableSounds.clear();
    m_slideshowSounds.clear();
    m_encoderPrint = encoderPrint();
    // Before any menu page is drawn: a slideshow that cannot be made has no
    // line on its menu.
    settleSlideshows(m_tree.root());
    // Links reach across the whole disc, whichever menu the walk starts from.
    m_model = NavigationModel::forTree(m_tree.root(), m_settings,
        [this](const ProjectNode *menu) { return m_renderer.entriesPerPage(menu); });
}

void GenerationWalk::beginOutputs()
{
    m_manifest.load(buildPath());
    m_planned.clear();
}

void GenerationWalk::plan(const DiscState &state, const QString &file, PlannedState::Kind kind)
{
    m_planned.push_back({ state, file, kind });
}

void GenerationWalk::leaveOff(ProjectNode *node, const QString &problem)
{
    m_tree.setProblem(node, problem);
    const QString line
        = QLatin1String("left off the disc: ") + node->fullPath() + QLatin1String(": ") + problem;
    appendLog(line, QStringLiteral("Create.Log"));
    appendLog(line, StartupCheck::programLogName());
}

void GenerationWalk::writeDescriptionItems()
{
    // Links are taken now, from the tree as the walk left it: a picture or
    // movie found unusable on the way is off the disc, and its neighbours
    // lead past it.
    for (const auto &[movie, reason] : std::as_const(m_unusableMovies))
        leaveOff(movie, reason);
    const NavigationModel model = NavigationModel::forTree(m_tree.root(), m_settings,
        [this](const ProjectNode *menu) { return m_renderer.entriesPerPage(menu); });
    m_lostSlideshowLines.clear();
    for (const PlannedState &planned : m_planned) {
        if (!DiscContent::isOnDisc(planned.state.node)) {
            // Drawn on menu pages that are made already, so the disc would
            // number its lines unlike the pages.
            ProjectNode *folder = planned.state.node->parent();
            if (planned.state.menuLine && DiscContent::isOnDisc(folder))
                m_lostSlideshowLines.append(
                    relativePart(folder).mid(1) + QLatin1String(": ") + planned.state.node->problem());
            continue;
        }
        m_writer.addSelectionItem(model.links(planned.state));
        if (planned.kind == PlannedState::Kind::Sequence)
            m_writer.addSequenceItem(planned.state, planned.file);
        else
            m_writer.addSegmentItem(planned.state, planned.file);
    }
    m_planned.clear();
}

void GenerationWalk::endOutputs(bool complete)
{
    m_renderer.dropPrefetch();
    m_manifest.save(complete);
}

QString GenerationWalk::outputCountText(int made, int reused)
{
    return QString::number(made)
        + (made == 1 ? QLatin1String(" still made, ") : QLatin1String(" stills made, "))
        + QString::number(reused) + QLatin1String(" reused");
}

QString GenerationWalk::outputPath(const QString &below) const
{
    // The names below are filtered and made distinct already; only the build
    // path's trailing separators go (a build folder "/" keeps its one).
    const QString base = outputPathBelow(buildPath(), QString());
    return base.endsWith(u'/') ? QString(base + below) : QString(base + u'/' + below);
}

QString GenerationWalk::encoderPrint() const
{
    // The tools' own paths vary from one installation to the next and
    // change nothing in the still; the stems are placeholders.
    const StillEncoder::Tools tools { QStringLiteral("jpeg2yuv"), QStringLiteral("mpeg2enc"),
        QStringLiteral("mplex") };
    const QString stem = QStringLiteral("still");
    ContentHash hash;
    hash.add(ProgramInfo::version());
    hash.add(StillEncoder::encoderJob(stem, stem, m_settings.vcd, tools).commandLine());
    hash.add(StillEncoder::multiplexJob(stem, stem, m_settings.vcd, tools).commandLine());
    hash.add(qint64(kJpegQuality));
    return hash.hex();
}

QString GenerationWalk::picturePrint(const ProjectNode *picture, const QString &captionFile)
{
    auto source = m_sourceHashes.find(picture);
    if (source == m_sourceHashes.end())
        source = m_sourceHashes.insert(picture, ContentHash::ofFile(picture->fullPath()).value_or(QString()));
    if (source->isEmpty())
        return {}; // unreadable: made again, and never taken for done
    const Settings &s = m_settings;
    ContentHash hash;
    hash.add(QStringLiteral("picture"));
    hash.add(m_encoderPrint);
    hash.add(*source);
    // What Renderer::createStill reads besides the photo: the name it may
    // stamp, the date's format, the fitting, the stamp, the info icon and
    // the filter.
    hash.add(picture->tag());
    hash.add(QLocale::system().name());
    for (const QString &text :
        { s.xCenter, s.yCenter, s.correctPercentage, s.pictureFont, s.pictureFontSize })
        hash.add(text);
    for (const qint64 number : { qint64(s.frameWidth), qint64(s.frameHeight), qint64(s.tvLines),
             qint64(s.aspectWidth), qint64(s.edgeFraction * 1e9), qint64(s.filterCode()),
             qint64(s.pictureColor), qint64(s.stampX), qint64(s.stampY), qint64(s.displayDate),
             qint64(s.displayFileName), qint64(s.useFileName), qint64(s.correctAspect),
             qint64(s.correctEdges), qint64(s.antiFlicker), qint64(s.ntsc), qint64(s.vcd), qint64(s.lowRes) })
        hash.add(number);
    // The icon follows the option and whether a caption file exists now.
    hash.add(qint64(Renderer::showsInfoIcon(s, picture, captionFile)));
    if (!captionFile.isEmpty()) {
        hash.add(QStringLiteral("caption"));
        hash.add(ContentHash::ofFile(captionFile).value_or(QStringLiteral("unreadable")));
    }
    return hash.hex();
}

QString GenerationWalk::menuPrint() const
{
    // The walk renders every menu page anyway, for its layout: its pixels
    // cover every text, font, colour, entry and button it shows.
    const std::uint8_t *rgb = m_canvas.rgbData();
    if (!rgb)
        return {};
    ContentHash hash;
    hash.add(QStringLiteral("menu"));
    hash.add(m_encoderPrint);
    hash.add(qint64(m_canvas.width()));
    hash.add(qint64(m_canvas.height()));
    hash.add(QByteArray::fromRawData(
        reinterpret_cast<const char *>(rgb), qsizetype(m_canvas.width()) * m_canvas.height() * 3));
    return hash.hex();
}

bool GenerationWalk::reusable(const QString &below, const QString &fingerprint)
{
    return !m_settings.fullRebuild && m_manifest.reuse(below + QLatin1String(".mpg"), fingerprint);
}

QString GenerationWalk::nextMenuBelow(ProjectNode *menu)
{
    ++m_menuCounter;
    const QString folder = m_names.below(menu);
    const QString name = QLatin1String("Menu_") + QString::number(m_menuCounter).rightJustified(4, u'0');
    return folder.isEmpty() ? name : folder + u'/' + name;
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
        const QString below = nextMenuBelow(menu);
        const QString print = menuPrint();
        const QString stem = reusable(below, print) ? outputPath(below) : saveStill(below, print);
        plan(NavigationModel::menuStateOf(entry), stem + QLatin1String(".mpg"), PlannedState::Kind::Segment);

        yield();
        // A slideshow's line has nothing below it: its folder's line walked it.
        if (entry && entry->kind() != NodeKind::Slideshow) {
            m_tree.setSelectedNode(entry);
            if (!walkFiles(entry, true))
                result = false;
            m_tree.setSelectedNode(menu);
        }

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
    const QList<ProjectNode *> children = DiscContent::children(folder);
    if (children.isEmpty())
        return true;
    bool result = true;
    m_tree.setHighlighted(folder, true);
    if (m_callbacks.scrollIntoView)
        m_callbacks.scrollIntoView(folder);

    for (ProjectNode *child : children) {
        yield();
        if (m_callbacks.scrollIntoView)
            m_callbacks.scrollIntoView(child);
        switch (nodeKindOf(child->fullPath())) {
        case NodeKind::Picture:
            pictureStates(child);
            break;
        case NodeKind::Movie:
            movieState(child);
            break;
        case NodeKind::Slideshow:
            slideshowState(child);
            break;
        case NodeKind::Menu:
        case NodeKind::None:
            break;
        }
        if (m_cancel.isRaised()) {
            result = false;
            break;
        }
    }
    finishSlideshow();

    m_tree.setHighlighted(folder, false);
    yield();
    return result;
}

void GenerationWalk::pictureStates(ProjectNode *picture)
{
    const QString source = picture->fullPath();
    const QString below = m_names.below(picture);
    const QString still = outputPath(below) + QLatin1String(".mpg");

    // One step per picture, before its still (the entry's pictures too, so
    // the progress shown names the state in work).
    stepProgress();

    const QString print = picturePrint(picture, QString());
    if (reusable(below, print)) {
        announce(QLatin1String("picture ") + shownPath(picture) + QLatin1String(" (still reused)"));
        m_renderer.dropPrefetch(source);
    } else {
        announce(QLatin1String("picture ") + shownPath(picture));
        prefetchAfter(picture);
        if (!m_renderer.createStill(picture, source)) {
            // No still of a black frame in its place: the picture is left
            // off, its neighbours lead past it, and the build says so.
            announce(QLatin1String("picture ") + shownPath(picture) + QLatin1String(" (unusable: ")
                + m_renderer.lastPictureProblem() + u')');
            leaveOff(picture, m_renderer.lastPictureProblem());
            return;
        }
        if (m_callbacks.displayPreview)
            m_callbacks.displayPreview();
        keepSlideshowFrame(picture);
        saveStill(below, print);
    }

    plan({ picture, false }, still, PlannedState::Kind::Segment);

    // Every picture with a caption file has its caption state, wherever it
    // lies: the editor writes captions for any picture. A failed still has
    // stopped the build; its caption state would fail too.
    const DiscState caption { picture, true };
    const StateLinks captionLinks = m_model.links(caption);
    if (captionLinks.isValid() && !m_cancel.isRaised()) {
        const QString captionFile = NavigationModel::captionFileOf(picture);
        const QString captionBelow = below + QLatin1String("_text");
        const QString captionPrint = picturePrint(picture, captionFile);
        if (reusable(captionBelow, captionPrint)) {
            announce(QLatin1String("caption ") + shownPath(picture) + QLatin1String(" (still reused)"));
        } else {
            announce(QLatin1String("caption ") + shownPath(picture));
            // Decoded a moment ago for the picture's own still; should the
            // file change in between, the still shows the black frame.
            m_renderer.createStill(picture, source, captionFile);
            if (m_callbacks.displayPreview)
                m_callbacks.displayPreview();
            saveStill(captionBelow, captionPrint);
        }
        plan(caption, outputPath(captionBelow) + QLatin1String(".mpg"), PlannedState::Kind::Segment);
    }
}

void GenerationWalk::prefetchAfter(const ProjectNode *picture)
{
    // While this still is composed and encoded, the next pictures decode on
    // free cores. Only after a picture that is made: a build that reuses its
    // stills decodes nothing it does not need.
    const ProjectNode *next = DiscContent::next(picture);
    for (size_t ahead = 0; next && ahead < PicturePrefetch::kMaxPending; next = DiscContent::next(next)) {
        if (kindOfName(next->text()) != NodeKind::Picture)
            continue;
        m_renderer.prefetchPicture(next->fullPath());
        ++ahead;
    }
}

QString GenerationWalk::moviePrint(const ProjectNode *movie, const MovieProbe::Info &info)
{
    auto source = m_sourceHashes.find(movie);
    if (source == m_sourceHashes.end())
        source = m_sourceHashes.insert(movie, ContentHash::ofFile(movie->fullPath()).value_or(QString()));
    if (source->isEmpty())
        return {};
    // The thread count changes nothing a player sees; the paths are
    // placeholders, as in the stills' print.
    const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
    ContentHash hash;
    hash.add(QStringLiteral("movie"));
    hash.add(ProgramInfo::version());
    hash.add(qint64(MovieConverter::Version));
    hash.add(*source);
    hash.add(qint64(target.vcd));
    hash.add(qint64(target.ntsc));
    hash.add(MovieConverter::arguments(info, target, QStringLiteral("in"), QStringLiteral("out"), 1)
                 .join(QChar(0)));
    return hash.hex();
}

void GenerationWalk::movieState(ProjectNode *movie)
{
    stepProgress();
    const QString source = movie->fullPath();
    const DiscState state { movie, false };
    const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
    QString file = source;

    const MovieProbe::Info info = MovieProbe::probe(source, [this] { return m_cancel.isRaised(); });
    // A probe ended by the cancel says nothing about the movie.
    if (m_cancel.isRaised())
        return;
    if (!info.usable()) {
        announce(
            QLatin1String("movie ") + shownPath(movie) + QLatin1String(" (unusable: ") + info.failure + u')');
        m_unusableMovies.append({ movie, info.failure });
    } else if (MovieConverter::isDiscReady(info, target)) {
        announce(QLatin1String("movie ") + shownPath(movie));
    } else {
        const QString below = m_names.below(movie);
        file = outputPath(below) + QLatin1String(".mpg");
        const QString print = moviePrint(movie, info);
        if (reusable(below, print)) {
            announce(QLatin1String("movie ") + shownPath(movie) + QLatin1String(" (conversion reused)"));
        } else {
            announce(QLatin1String("movie ") + shownPath(movie) + QLatin1String(" (converting)"));
            Guard::run(QStringLiteral("Sub ConvertMovie"), [&] {
                makeFolderPath(parentFolderOf(file) + u'/');
                QFile::remove(file);
                m_manifest.expect(below + QLatin1String(".mpg"), print);
                if (m_parallel) {
                    m_parallel->submitMovie(source, file, info, [this, movie](const QString &reason) {
                        m_unusableMovies.append({ movie, reason });
                    });
                    return;
                }
                QStringList block { QStringLiteral("-----"), QLatin1String("Movie = ") + source };
                const MovieConverter::Outcome outcome = MovieConverter::convert(
                    info, target, source, file, [&block](const QString &piece) { block.append(piece); },
                    [this] { return m_cancel.isRaised(); });
                if (outcome.end == MovieConverter::End::Failed) {
                    block.append(QLatin1String("ERROR: ") + outcome.reason);
                    m_unusableMovies.append({ movie, outcome.reason });
                }
                block.append(QStringLiteral("------"));
                StillEncoder::writeLogBlock(block);
            });
        }
    }
    // Planned whatever became of the movie: a conversion in the pool ends
    // later, and writeDescriptionItems leaves out what could not be used.
    plan(state, file, PlannedState::Kind::Sequence);
}

QString GenerationWalk::saveStill(const QString &below, const QString &fingerprint)
{
    const QString stem = outputPath(below);
    Guard::run(QStringLiteral("Sub SaveFile"), [&] {
        makeFolderPath(parentFolderOf(stem) + u'/');
        // The still made before under this name is not this one: whatever
        // happens to the new one, the old must not pass for it.
        QFile::remove(stem + QLatin1String(".mpg"));
        m_manifest.expect(below + QLatin1String(".mpg"), fingerprint);

        if (!m_canvas.saveJpg(stem + QLatin1String(".jpx"), kJpegQuality)) {
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

QString GenerationWalk::slideshowPrint(const SlideshowMaker::Plan &plan, const QList<ProjectNode *> &pictures)
{
    const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
    ContentHash hash;
    hash.add(QStringLiteral("slideshow"));
    hash.add(ProgramInfo::version());
    hash.add(qint64(SlideshowMaker::Version));
    hash.add(qint64(target.vcd));
    hash.add(qint64(target.ntsc));
    // Each frame is the picture's still: its print covers everything that
    // decides the still's pixels.
    for (const ProjectNode *picture : pictures) {
        const QString print = picturePrint(picture, QString());
        if (print.isEmpty())
            return {};
        hash.add(print);
    }
    for (const QString &sound : plan.audio) {
        const std::optional<QString> content = ContentHash::ofFile(sound);
        if (!content)
            return {};
        hash.add(*content);
    }
    // Frame and sound paths are placeholders; the timings, the fade and the
    // format are in the arguments.
    SlideshowMaker::Plan placeholders = plan;
    for (QString &frame : placeholders.frames)
        frame = QStringLiteral("frame");
    for (QString &sound : placeholders.audio)
        sound = QStringLiteral("sound");
    hash.add(SlideshowMaker::arguments(placeholders, target, QStringLiteral("out"), 1).join(QChar(0)));
    return hash.hex();
}

void GenerationWalk::settleSlideshows(const ProjectNode *folder)
{
    for (ProjectNode *child : DiscContent::children(folder)) {
        if (m_cancel.isRaised())
            return;
        if (child->kind() == NodeKind::Menu)
            settleSlideshows(child);
        else if (child->kind() == NodeKind::Slideshow)
            settleSlideshow(child);
    }
}

void GenerationWalk::settleSlideshow(ProjectNode *slideshow)
{
    if (DiscContent::slideshowPictures(slideshow).isEmpty()) {
        leaveOff(slideshow, QStringLiteral("no pictures to show"));
        return;
    }
    SlideshowMaker::Plan sounds;
    const QString sourceFolder = m_tree.root()->fullPath();
    for (const QString &sound : m_tree.info(slideshow).audioFiles) {
        const SlideshowMaker::Sound probed
            = SlideshowMaker::probeSound(sound, [this] { return m_cancel.isRaised(); });
        if (m_cancel.isRaised())
            return;
        if (!probed.usable()) {
            QString below = sound.startsWith(sourceFolder) ? sound.mid(sourceFolder.size()) : sound;
            while (below.startsWith(u'/'))
                below.remove(0, 1);
            m_unplayableSounds.append(below + QLatin1String(": ") + probed.failure);
            appendLog(QLatin1String("sound left out of the slideshow: ") + sound + QLatin1String(": ")
                    + probed.failure,
                QStringLiteral("Create.Log"));
            continue;
        }
        sounds.audio.append(sound);
        sounds.audioSeconds.append(probed.seconds);
    }
    if (sounds.audio.isEmpty()) {
        leaveOff(slideshow, QStringLiteral("no sound it can play"));
        return;
    }
    m_slideshowSounds.insert(slideshow, sounds);
}

void GenerationWalk::slideshowState(ProjectNode *slideshow)
{
    stepProgress();
    m_slideshow = PendingSlideshow {};
    const QString shown = QLatin1String("slideshow ") + shownPath(slideshow->parent());
    // Every slideshow still on the disc was settled when the walk began,
    // unless the build was cancelled first.
    if (!m_slideshowSounds.contains(slideshow))
        return;
    const QList<ProjectNode *> pictures = DiscContent::slideshowPictures(slideshow);
    if (pictures.isEmpty()) {
        announce(shown + QLatin1String(" (no pictures)"));
        m_unusableMovies.append({ slideshow, QStringLiteral("no pictures to show") });
        return;
    }

    SlideshowMaker::Plan show = m_slideshowSounds.value(slideshow);
    show.pictureSeconds = Capacity::slideshowPictureSeconds(m_settings);
    show.fadeSeconds = m_settings.slideshowFade;
    for (int i = 0; i < pictures.size(); ++i)
        show.frames.append(QString());

    const QString below = m_names.below(slideshow);
    const QString file = outputPath(below) + QLatin1String(".mpg");
    // Planned first among the folder's states whatever becomes of it, as a
    // movie is; writeDescriptionItems leaves out one that was not made.
    plan({ slideshow, false }, file, PlannedState::Kind::Sequence);

    const QString print = slideshowPrint(show, pictures);
    if (reusable(below, print)) {
        announce(shown + QLatin1String(" (reused)"));
        return;
    }
    announce(shown);
    makeFolderPath(parentFolderOf(file) + u'/');
    QFile::remove(file);
    m_manifest.expect(below + QLatin1String(".mpg"), print);
    m_slideshow.node = slideshow;
    m_slideshow.output = file;
    m_slideshow.plan = show;
    m_slideshow.pictures = pictures;
}

void GenerationWalk::keepSlideshowFrame(const ProjectNode *picture)
{
    keepFrame(m_slideshow, picture);
}

void GenerationWalk::keepFrame(PendingSlideshow &pending, const ProjectNode *picture)
{
    if (!pending.node || !pending.pictures.contains(picture))
        return;
    const QString frame = pending.output + QLatin1String(".frame")
        + QString::number(pending.pictures.indexOf(picture)) + QLatin1String(".jpg");
    if (m_canvas.saveJpg(frame, kJpegQuality))
        pending.frames.insert(picture, frame);
}

void GenerationWalk::finishSlideshow()
{
    if (!m_slideshow.node)
        return;
    PendingSlideshow pending = std::move(m_slideshow);
    m_slideshow = PendingSlideshow {};
    ProjectNode *slideshow = pending.node;
    SlideshowMaker::Plan &plan = pending.plan;
    plan.frames.clear();
    for (ProjectNode *picture : std::as_const(pending.pictures)) {
        if (m_cancel.isRaised())
            break;
        if (!DiscContent::isTaken(picture))
            continue; // found unusable on the way
        if (!pending.frames.contains(picture)) {
            // Its still was reused: composed once more, for the frame only.
            if (m_renderer.createStill(picture, picture->fullPath()))
                keepFrame(pending, picture);
            yield();
        }
        if (pending.frames.contains(picture))
            plan.frames.append(pending.frames.value(picture));
    }
    const auto removeFrames = [&pending] {
        for (const QString &frame : std::as_const(pending.frames))
            QFile::remove(frame);
    };
    if (m_cancel.isRaised()) {
        removeFrames();
        return;
    }
    if (plan.frames.isEmpty()) {
        removeFrames();
        m_unusableMovies.append({ slideshow, QStringLiteral("no pictures to show") });
        return;
    }
    Guard::run(QStringLiteral("Sub MakeSlideshow"), [&] {
        if (m_parallel) {
            m_parallel->submitSlideshow(plan, pending.output, [this, slideshow](const QString &reason) {
                m_unusableMovies.append({ slideshow, reason });
            });
            return;
        }
        QStringList block { QStringLiteral("-----"), QLatin1String("Slideshow = ") + pending.output };
        const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
        const MovieConverter::Outcome outcome = SlideshowMaker::make(
            plan, target, pending.output, [&block](const QString &piece) { block.append(piece); },
            [this] { return m_cancel.isRaised(); });
        removeFrames();
        if (outcome.end == MovieConverter::End::Failed) {
            block.append(QLatin1String("ERROR: ") + outcome.reason);
            m_unusableMovies.append({ slideshow, outcome.reason });
        }
        block.append(QStringLiteral("------"));
        StillEncoder::writeLogBlock(block);
    });
}
