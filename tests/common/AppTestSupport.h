#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

// Test helpers for the start-up tests: a PATH that holds no tools and fake
// encoder tools in a program folder.
namespace AppTestSupport {

// Sets PATH to an empty folder for its lifetime, so that only the program
// folder's 3rdparty can supply a tool.
class EmptyPath
{
public:
    EmptyPath();
    ~EmptyPath();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// Restores the current directory when it ends.
class KeepCurrentDir
{
public:
    KeepCurrentDir()
        : m_dir(QDir::currentPath())
    { }
    ~KeepCurrentDir() { QDir::setCurrent(m_dir); }

private:
    QString m_dir;
};

// Writes small executable scripts named after each tool into folder/3rdparty.
void installFakeTools(const QString &programFolder, const QStringList &tools);

// The lines of a CR LF text file; each line must end in CR LF.
QStringList crlfLines(const QString &fileName, bool *allCrlf = nullptr);

} // namespace AppTestSupport
