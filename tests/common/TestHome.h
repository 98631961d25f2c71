#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away program folder and registry folder for one test: sets
// KELVARA_HOME and KELVARA_REGISTRY_DIR and restores them when it ends.
class TestHome
{
public:
    TestHome();
    ~TestHome();

    QString path() const { return m_dir.path(); }
    QString registryDir() const { return m_dir.path() + QLatin1String("/registry"); }
    // A file below the program folder.
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }
    // Puts links to the real mjpegtools into 3rdparty, as a complete set-up has.
    void installTools() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldRegistry;
};
