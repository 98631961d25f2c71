#include "gui/FolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace FolderDialog {

QString browse(QWidget *owner, const QString &title, const QString &startFolder)
{
    // A start folder that no longer exists would open the dialog nowhere
    // useful; its nearest existing parent is the next best thing.
    QString start = startFolder;
    while (!start.isEmpty() && !QFileInfo(start).isDir()) {
        const QString parent = QFileInfo(QDir::cleanPath(start)).path();
        if (parent == start || parent == QLatin1String("."))
            start.clear();
        else
            start = parent;
    }
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, start, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return QDir::toNativeSeparators(chosen);
}

} // namespace FolderDialog
