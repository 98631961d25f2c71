#pragma once

#include <QString>

#include <functional>

class QWidget;

// The folder browser: only folders can be chosen, the start folder is
// preselected. Returns the chosen folder, or empty text when cancelled.
namespace FolderDialog {

using Browser = std::function<QString(QWidget *owner, const QString &title, const QString &startFolder)>;

QString browse(QWidget *owner, const QString &title, const QString &startFolder);

} // namespace FolderDialog
