#include "StandInTools.h"

#include <QDir>
#include <QFile>

namespace {

// $1 of cdrecord and cdrdao name the action differently; the script maps
// them to one action name.
const char *const kScript = R"(#!/bin/sh
here=$(dirname "$0")
tool=$(basename "$0")
line="$tool"
for a in "$@"; do line="$line [$a]"; done
printf '%s\n' "$line" >> "$here/calls.log"
case "$1" in
  -scanbus|scanbus) action=scanbus ;;
  unlock) action=unlock ;;
  -blank=*|blank) action=blank ;;
  *) action=write ;;
esac
out="$here/$tool-$action.out"
if [ -f "$out" ]; then
  # Three pieces with pauses between them, so lines arrive split.
  head -c 23 "$out"
  sleep 0.05
  tail -c +24 "$out" | head -c 50
  sleep 0.05
  tail -c +74 "$out"
fi
rc=0
[ -f "$here/$tool-$action.rc" ] && rc=$(cat "$here/$tool-$action.rc")
exit "$rc"
)";

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
}

} // namespace

StandInTools::StandInTools(const QString &home)
    : m_folder(home + QLatin1String("/3rdparty"))
{
    QDir().mkpath(m_folder);
    for (const char *tool : { "cdrdao", "cdrecord" }) {
        const QString path = toolPath(QString::fromLatin1(tool));
        writeFile(path, kScript);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QString StandInTools::dataFile(const QString &name)
{
    return QStringLiteral(KELVARA_BURN_DATA) + u'/' + name;
}

void StandInTools::setOutput(const QString &tool, const QString &action, const QString &dataName) const
{
    QFile data(dataFile(dataName));
    if (data.open(QIODevice::ReadOnly))
        writeFile(m_folder + u'/' + tool + u'-' + action + QLatin1String(".out"), data.readAll());
}

void StandInTools::setExitCode(const QString &tool, const QString &action, int code) const
{
    writeFile(m_folder + u'/' + tool + u'-' + action + QLatin1String(".rc"), QByteArray::number(code));
}

void StandInTools::remove(const QString &tool) const
{
    QFile::remove(toolPath(tool));
}

QStringList StandInTools::calls() const
{
    QFile log(m_folder + QLatin1String("/calls.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split(u'\n');
    lines.removeAll(QString());
    return lines;
}
