#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "base/ProgramFolder.h"

TestHome::TestHome()
    : m_oldHome(qgetenv("KELVARA_HOME"))
    , m_oldRegistry(qgetenv("KELVARA_REGISTRY_DIR"))
{
    QDir().mkpath(registryDir());
    qputenv("KELVARA_HOME", QFile::encodeName(m_dir.path()));
    qputenv("KELVARA_REGISTRY_DIR", QFile::encodeName(registryDir()));
    ProgramFolder::reset();
}

TestHome::~TestHome()
{
    if (m_oldHome.isNull())
        qunsetenv("KELVARA_HOME");
    else
        qputenv("KELVARA_HOME", m_oldHome);
    if (m_oldRegistry.isNull())
        qunsetenv("KELVARA_REGISTRY_DIR");
    else
        qputenv("KELVARA_REGISTRY_DIR", m_oldRegistry);
    ProgramFolder::reset();
}

void TestHome::installTools() const
{
    QDir().mkpath(file(QStringLiteral("3rdparty")));
    for (const char *tool : { "jpeg2yuv", "mpeg2enc", "mplex", "vcdxbuild" }) {
        const QString name = QString::fromLatin1(tool);
        const QString real = QStandardPaths::findExecutable(name);
        if (!real.isEmpty())
            QFile::link(real, file(QLatin1String("3rdparty/") + name));
    }
}
