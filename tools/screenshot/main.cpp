// Drives the windows from outside and saves a picture of each, for the
// documentation: the main window with the structure read and a menu page
// shown, the full-size preview, the build output window, the settings window
// and the caption editor.
//
//   kelvara-screenshot [--first-start] OUTPUT_DIR [RECORDED_VCDXBUILD_OUTPUT]
//
// With --first-start only the window as it opens without an album is saved;
// otherwise the album's windows, and at the end the main window after a real
// build, with its result bar.
//
// The settings, the source album and the interface language come from the
// registry folder and program folder the environment names (KELVARA_HOME,
// KELVARA_REGISTRY_DIR), as for the program itself. The output window is fed
// with recorded vcdxbuild output when a file is given, so no build is needed.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

#include "authoring/BuildOutput.h"
#include "authoring/VcdxbuildAdapter.h"
#include "authoring/Workspace.h"
#include "gui/CaptionEditor.h"
#include "gui/MainWindow.h"
#include "gui/OutputWindow.h"
#include "gui/PreviewWindow.h"
#include "gui/ProjectTreeModel.h"
#include "gui/SettingsWindow.h"
#include "gui/ShowFatalError.h"
#include "project/ProjectNode.h"

namespace {

// Lets the windows lay themselves out and paint before they are grabbed.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool save(QWidget *window, const QString &folder, const char *name)
{
    const QString file = folder + u'/' + QLatin1String(name);
    if (!window || !window->grab().save(file)) {
        std::fprintf(stderr, "kelvara-screenshot: %s could not be written\n", qPrintable(file));
        return false;
    }
    return true;
}

// The first picture, in tree order, that has a caption file.
ProjectNode *firstCaptioned(ProjectNode *node)
{
    if (!node)
        return nullptr;
    const QString path = node->fullPath();
    if (path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
        && QFileInfo::exists(CaptionEditor::captionPathFor(path)))
        return node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (ProjectNode *found = firstCaptioned(node->child(i)))
            return found;
    }
    return nullptr;
}

// Plays a recorded vcdxbuild run into the output window, as a build would.
bool replayBuildOutput(MainWindow &window, const QString &recording)
{
    QFile file(recording);
    if (recording.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    BuildOutput &output = window.buildOutput();
    output.setLineFilter(&VcdxbuildAdapter::adaptLine);
    output.open();
    output.appendOutput(QString::fromUtf8(file.readAll()));
    output.finish();
    output.close();
    return true;
}

bool shoot(MainWindow &window, const QString &folder, const QString &recording)
{
    window.resize(1040, 640);
    window.onReadStructureClicked();
    if (ProjectNode *root = window.workspace().tree.root()) {
        // One entry left off the disc, cleared as a user would clear it, so the
        // picture shows how the tree greys it.
        if (ProjectNode *last = root->lastChild()) {
            ProjectTreeModel *model = window.treeModel();
            model->setData(model->indexOf(last), Qt::Unchecked, Qt::CheckStateRole);
        }
        window.workspace().tree.setSelectedNode(root);
        window.onTreeNodeClicked(root);
        window.onNextClicked();
    }
    window.onFullPreviewToggled(true);
    window.previewWindow()->move(window.x() + 60, window.y() + 60);
    if (!replayBuildOutput(window, recording))
        window.outputWindow()->show();
    settle();
    window.activateWindow();
    settle();

    bool saved = save(&window, folder, "main.png");
    saved = save(window.previewWindow(), folder, "preview.png") && saved;
    saved = save(window.outputWindow(), folder, "output.png") && saved;

    window.setSettingsVisible(true);
    settle();
    saved = save(window.settingsWindow(), folder, "settings.png") && saved;

    if (ProjectNode *picture = firstCaptioned(window.workspace().tree.root())) {
        window.workspace().tree.setSelectedNode(picture);
        window.onTreeNodeClicked(picture);
        window.onEditTextClicked();
        settle();
        saved = save(window.editTextWindow(), folder, "edittext.png") && saved;
        window.editTextWindow()->hide();
    }

    // A real build of the album, for the result bar it leaves.
    window.setSettingsVisible(false);
    window.previewWindow()->hide();
    window.outputWindow()->hide();
    window.onCreateClicked();
    settle();
    window.activateWindow();
    settle();
    return save(&window, folder, "result.png") && saved;
}

// The window as a newcomer first sees it: no album chosen yet.
bool shootFirstStart(MainWindow &window, const QString &folder)
{
    window.resize(1040, 640);
    settle();
    return save(&window, folder, "first-start.png");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QStringList operands = arguments.mid(1);
    const bool firstStart = operands.removeAll(QStringLiteral("--first-start")) > 0;
    if (operands.isEmpty() || operands.size() > 2) {
        std::fputs(
            "Usage: kelvara-screenshot [--first-start] OUTPUT_DIR [RECORDED_VCDXBUILD_OUTPUT]\n", stderr);
        return 2;
    }
    const QString folder = QDir(operands.at(0)).absolutePath();
    const QString recording = operands.size() > 1 ? operands.at(1) : QString();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "kelvara-screenshot: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    installFatalErrorBox();

    MainWindow window;
    window.setSplashEnabled(false);
    if (!window.start())
        return 1;
    window.show();

    bool saved = false;
    // The pictures are taken once the window has shown and the settings
    // window has followed it.
    QTimer::singleShot(300, &window, [&] {
        saved = firstStart ? shootFirstStart(window, folder) : shoot(window, folder, recording);
        window.close();
    });
    const int code = app.exec();
    return code != 0 ? code : (saved ? 0 : 1);
}
