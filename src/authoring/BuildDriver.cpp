#include "authoring/BuildDriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "authoring/DiscOriginals.h"
#include "authoring/ImageStamp.h"
#include "authoring/ParallelEncoder.h"
#include "authoring/ToolJob.h"
#include "base/Guard.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StartupCheck.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"
#include "settings/SettingsController.h"

namespace {

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

struct FolderIdentity
{
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderIdentity &o) const
    {
        return known && o.known && device == o.device && inode == o.inode;
    }
};

// Device and inode name a folder whatever path, link or letter case leads to it.
FolderIdentity identityOf(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return { true, info.st_dev, info.st_ino };
}

const QString kConflictTitle = QStringLiteral("Conflict");

// A tool the watchdog ended is the reason worth naming; otherwise the
// general one.
QString stallOr(const QString &reason)
{
    const QString stall = ToolJob::lastStall();
    return stall.isEmpty() ? reason : stall;
}

// Restores the idle state however a build ends.
class IdleOnExit
{
public:
    explicit IdleOnExit(std::function<void()> restore)
        : m_restore(std::move(restore))
    { }
    ~IdleOnExit() { m_restore(); }
    IdleOnExit(const IdleOnExit &) = delete;
    IdleOnExit &operator=(const IdleOnExit &) = delete;

private:
    std::function<void()> m_restore;
};

} // namespace

BuildDriver::BuildDriver(Settings &settings, ProjectTree &tree, Renderer &renderer, ImgSource &canvas,
    Prompter &prompter, BuildOutput &output)
    : m_settings(settings)
    , m_tree(tree)
    , m_prompter(prompter)
    , m_encoder(settings, prompter, m_cancel)
    , m_writer(settings)
    , m_walk(settings, tree, renderer, canvas, prompter, m_cancel, m_encoder, m_writer)
    , m_image(settings, prompter, output)
{
    m_image.setCancel(&m_cancel);
}

QString BuildDriver::buildFolder() const
{
    return withoutTrailingSeparator(m_settings.destinationDir);
}

QString BuildDriver::imagePath() const
{
    return buildFolder() + QLatin1String("/vcd.bin");
}

QString BuildDriver::cuePath() const
{
    return buildFolder() + QLatin1String("/vcd.cue");
}

QString BuildDriver::buildPathConflict(const QString &source, const QString &build)
{
    if (source == build)
        return QStringLiteral("Source and destination should not be the same !");
    const FolderIdentity sourceId = identityOf(source);
    if (!sourceId.known)
        return {};
    if (identityOf(build) == sourceId)
        return QStringLiteral("Source and destination should not be the same !");
    // Up from the build folder (or the part of it that exists) as the file
    // system resolves it.
    QString folder = build;
    while (!QFileInfo::exists(folder) && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    folder = QFileInfo(folder).canonicalFilePath();
    while (!folder.isEmpty()) {
        if (identityOf(folder) == sourceId)
            return QStringLiteral(
                "The build path lies inside the source folder, where the next Read Structure "
                "would take the generated files for pictures. Choose a build path outside it.");
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    return {};
}

void BuildDriver::removeImage() const
{
    const QString folder = buildFolder();
    for (const QString &name :
        { QStringLiteral("vcd.bin"), QStringLiteral("vcd.cue"), QStringLiteral("vcd.xml"),
            ImageStamp::fileName(), ImageBuilder::temporaryBin(), ImageBuilder::temporaryCue() })
        QFile::remove(folder + u'/' + name);
}

bool BuildDriver::hasDiscItem(const ProjectNode *node) const
{
    if (!node->isChecked())
        return false;
    const NodeKind kind = node->kind();
    if (kind == NodeKind::Picture || kind == NodeKind::Movie || kind == NodeKind::Slideshow)
        return true;
    for (const ProjectNode *child : DiscContent::children(node)) {
        if (hasDiscItem(child))
            return true;
    }
    return false;
}

BuildDriver::Outcome BuildDriver::checks()
{
    Prompter &prompter = m_prompter;
    if (m_settings.destinationDir.isEmpty())
        m_settings.destinationDir = SettingsController::defaultBuildFolder();
    const QString dest = m_settings.destinationDir;
    // A build folder that does not exist yet is made, as other programs make
    // their output folder; one inside the album is refused below first.
    if (!QFileInfo::exists(dest) && buildPathConflict(m_settings.sourceDir, dest).isEmpty())
        QDir().mkpath(dest);
    const QFileInfo info(dest);
    // A path that names a file, or one that could not be made, cannot take a build.
    if (!info.isDir()) {
        prompter.inform(localText(TextId::TitleInvalidBuildPath), localText(TextId::MsgInvalidBuildPath));
        m_problem = QLatin1String("the build path is not a folder: ") + dest;
        return Outcome::Refused;
    }
    if (!info.isWritable()) {
        prompter.inform(localText(TextId::TitleBuildPathReadOnly), localText(TextId::MsgBuildPathReadOnly));
        m_problem = QLatin1String("the build path is read-only: ") + dest;
        return Outcome::Refused;
    }
    if (m_tree.isEmpty()) {
        prompter.inform(localText(TextId::TitleNothingToBuild), localText(TextId::MsgNothingToBuild));
        m_problem = QStringLiteral("nothing to build: the source folder was not read");
        return Outcome::Refused;
    }
    // A disc without a picture or movie has no menu to show: refused before
    // any work rather than made and called a success.
    if (!hasDiscItem(m_tree.root())) {
        prompter.inform(localText(TextId::TitleCreateVcd), localText(TextId::MsgNothingOnDisc));
        m_problem = QStringLiteral("nothing to put on a disc: no picture or movie in ") + m_settings.sourceDir
            + QStringLiteral(" is checked");
        return Outcome::Refused;
    }
    // Found now, not after every still is encoded.
    const QString missing = StartupCheck::firstMissingTool(StartupCheck::buildTools());
    if (!missing.isEmpty()) {
        const QString text = StartupCheck::missingToolText(missing);
        m_problem = StartupCheck::incompleteTitle() + QLatin1String(": ") + text;
        Guard::run(QStringLiteral("Sub pbCreateVcd_Click"), [&] {
            QFile::remove(ProgramFolder::logFile(QStringLiteral("build.log")));
            appendLog(m_problem, QStringLiteral("build.log"));
            appendLog(m_problem, StartupCheck::programLogName());
        });
        prompter.inform(StartupCheck::incompleteTitle(), text);
        return Outcome::SetupIncomplete;
    }
    if (!Capacity::checkLimits(true, DiscContent::count(m_tree), m_settings, prompter)) {
        m_problem = QStringLiteral("the album exceeds the limits of a disc");
        return Outcome::Refused;
    }
    const QString conflict = buildPathConflict(m_settings.sourceDir, dest);
    if (!conflict.isEmpty()) {
        prompter.inform(kConflictTitle, conflict);
        m_problem = conflict;
        return Outcome::Refused;
    }
    return Outcome::Succeeded;
}

BuildDriver::Outcome BuildDriver::build()
{
    // Events run inside a build; a click that reaches here then must not
    // start a second one over the first.
    if (m_building)
        return Outcome::AlreadyRunning;

    m_problem.clear();
    // Pictures and movies an earlier build could not use get another chance.
    m_tree.clearProblems();
    const Outcome checked = checks();
    if (checked != Outcome::Succeeded)
        return checked;

    Outcome outcome = Outcome::Failed;
    Guard::run(QStringLiteral("Sub pbCreateVcd_Click"), [&] {
        QFile::remove(ProgramFolder::logFile(QStringLiteral("Create.Log")));
        m_building = true;
        const bool fastPreview = m_settings.fastPreview;
        IdleOnExit idle([this, fastPreview] {
            m_settings.fastPreview = fastPreview;
            m_building = false;
            if (m_callbacks.buildingChanged)
                m_callbacks.buildingChanged(false);
        });
        // The disc gets full quality whatever the preview uses.
        m_settings.fastPreview = false;
        if (m_callbacks.buildingChanged)
            m_callbacks.buildingChanged(true);
        m_walk.resetProgress(m_tree.highestIndex());
        m_cancel.clear();
        m_walk.resetCancel();
        const ToolJob::StallLimitScope watchdog(m_settings.toolTimeout);
        outcome = buildWithoutChecks();
    });
    return outcome;
}

BuildDriver::Outcome BuildDriver::buildThenBurn()
{
    m_burnWithoutAsking = true;
    const Outcome outcome = build();
    m_burnWithoutAsking = false;
    return outcome;
}

BuildDriver::Outcome BuildDriver::buildWithoutChecks()
{
    Outcome outcome = Outcome::Failed;
    Guard::run(QStringLiteral("Sub createvcd"), [&] { outcome = run(); });
    if (outcome == Outcome::Succeeded)
        m_problem.clear();
    return outcome;
}

BuildDriver::Outcome BuildDriver::run()
{
    m_writer.clear();
    m_leftOff.clear();
    m_walk.resetMenuCounter();
    m_tree.clearProblems();
    // The album the image will be made of, taken before the walk: an album
    // edited while the build runs leaves an image that reads as older.
    const QString album = ImageStamp::albumPart(m_tree);
    removeImage();

    ProjectNode *remembered = m_tree.selectedNode();
    ProjectNode *root = m_tree.root();
    m_tree.setSelectedNode(root);
    m_walk.beginOutputs();
    bool walked = false;
    const int jobs = ParallelEncoder::jobsFor(m_settings.jobs);
    if (jobs > 1) {
        // Stills are encoded on workers while the walk renders the next
        // ones; the walk counts as done only once every still is.
        ParallelEncoder parallel(m_settings, m_prompter, m_cancel, jobs);
        m_walk.setParallelEncoder(&parallel);
        struct Detach
        {
            GenerationWalk &walk;
            ~Detach() { walk.setParallelEncoder(nullptr); }
        } detach { m_walk };
        walked = m_walk.walkMenu(root);
        walked = parallel.finish() && walked;
    } else {
        walked = m_walk.walkMenu(root);
    }
    m_tree.setSelectedNode(remembered);
    m_walk.endOutputs(walked);
    if (!walked) {
        if (m_walk.userCancelled()) {
            m_problem = QStringLiteral("the build was cancelled");
            return Outcome::Cancelled;
        }
        m_problem = stallOr(QStringLiteral("a still could not be made")) + QLatin1String(" (see ")
            + ProgramFolder::logFile(QStringLiteral("Create.Log")) + u')';
        return Outcome::Failed;
    }

    m_walk.writeDescriptionItems();
    if (!m_walk.lostSlideshowLines().isEmpty()) {
        const QStringList &lost = m_walk.lostSlideshowLines();
        m_problem = QLatin1String("a slideshow its menu shows could not be made: ")
            + lost.join(QLatin1String("; "));
        m_prompter.inform(localText(TextId::TitleVcdCreation),
            localText(TextId::MsgSlideshowLost) + QLatin1String("\n\n") + lost.join(u'\n'));
        return Outcome::Failed;
    }
    m_leftOff = leftOffItems(m_tree.root()) + m_walk.unplayableSounds();
    if (!m_leftOff.isEmpty()) {
        if (m_strict || !hasDiscItem(m_tree.root())) {
            m_problem
                = (m_strict ? QLatin1String("left off the disc: ")
                            : QLatin1String("nothing to put on a disc: no picture or movie could be used: "))
                + m_leftOff.join(QLatin1String("; "));
            m_prompter.inform(localText(TextId::LeftOffDisc), m_leftOff.join(u'\n'));
            return Outcome::Failed;
        }
    }

    bool written = false;
    Guard::run(QStringLiteral("Function createxml"), [&] {
        m_writer.setFileSystem(prepareOriginals());
        written = m_writer.write();
    });
    if (!written) {
        m_problem = QLatin1String("vcd.xml could not be written to ") + buildFolder();
        return Outcome::Failed;
    }

    bool image = false;
    Guard::run(QStringLiteral("Function Build_Image"), [&] { image = m_image.build(); });
    if (!image && m_image.wasCancelled()) {
        m_problem = QStringLiteral("the build was cancelled");
        return Outcome::Cancelled;
    }
    if (!image) {
        m_problem = stallOr(QStringLiteral("vcdxbuild could not make the image")) + QLatin1String(" (see ")
            + ProgramFolder::logFile(QStringLiteral("build.log")) + u')';
        return Outcome::Failed;
    }
    // The settings as the walk left them: it may have moved the date stamp
    // back inside the frame, and the stills show it there.
    if (!ImageStamp::write(buildFolder(), ImageStamp::fingerprint(m_settings, album))) {
        // An unstamped image would never be offered; better none than one
        // that looks made and cannot be burnt.
        removeImage();
        m_problem = QLatin1String("the image's stamp could not be written to ") + buildFolder();
        m_prompter.inform(localText(TextId::TitleVcdCreation), localText(TextId::MsgImageFailed));
        return Outcome::Failed;
    }

    // Said before anyone burns the disc.
    if (!m_leftOff.isEmpty())
        m_prompter.inform(localText(TextId::LeftOffDisc), m_leftOff.join(u'\n'));

    // Nothing is asked: the front end shows what was made and offers to
    // burn; only a build started in order to burn goes on to it.
    if (m_burnWithoutAsking && m_callbacks.openBurnWindow)
        m_callbacks.openBurnWindow(cuePath());
    return Outcome::Succeeded;
}

QString BuildDriver::prepareOriginals() const
{
    // Taken after the walk, so what it left off stays off the file system too.
    const DiscOriginals originals = DiscOriginals::collect(m_tree, m_settings);
    if (originals.isEmpty()) {
        QFile::remove(buildFolder() + u'/' + DiscOriginals::indexFileName());
        return {};
    }
    return originals.fileSystemXml(originals.writeIndex(buildFolder(), m_settings.mainTitle));
}

QStringList BuildDriver::leftOffItems(const ProjectNode *node) const
{
    QStringList items;
    if (!node)
        return items;
    for (int row = 0; row < node->childCount(); ++row) {
        const ProjectNode *child = node->child(row);
        if (!child->isChecked())
            continue;
        if (!child->problem().isEmpty())
            items << GenerationWalk::relativePart(child).mid(1) + QLatin1String(": ") + child->problem();
        items << leftOffItems(child);
    }
    return items;
}

void BuildDriver::cancel()
{
    Guard::run(QStringLiteral("Sub pbCancelBuild_Click"), [&] {
        if (!m_building)
            return;
        if (m_prompter.askYesNo(localText(TextId::TitleUserAbort), localText(TextId::MsgCancelBuild),
                Prompter::Icon::Question, true))
            m_walk.cancel();
    });
}

void BuildDriver::stop()
{
    if (!m_building)
        return;
    m_encoder.setInterruptOnCancel(true);
    m_walk.cancel();
}
