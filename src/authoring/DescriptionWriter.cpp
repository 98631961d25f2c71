#include "authoring/DescriptionWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "authoring/DiscState.h"
#include "authoring/StateLinks.h"
#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "project/ProjectNode.h"
#include "settings/Settings.h"

namespace {

const QLatin1String kEol("\r\n");
const QLatin1String kItemIndent("\t\t"); // items and selection open lines
const QLatin1String kInnerIndent("\t\t\t"); // lines inside a selection, and its close

void requireState(const DiscState &state, const char *procedure)
{
    if (!state.isValid())
        throw KelvaraError(91, QLatin1String(procedure) + QLatin1String(": no node to describe"));
}

QString selectionRef(const char *element, const DiscState &target)
{
    return kInnerIndent + u'<' + QLatin1String(element) + QLatin1String(" ref = \"") + target.selectionId()
        + QLatin1String("\"/>") + kEol;
}

QString optionalRef(const char *element, const DiscState &target)
{
    return target.isValid() ? selectionRef(element, target) : QString();
}

} // namespace

DescriptionWriter::DescriptionWriter(const Settings &settings)
    : m_settings(settings)
{ }

QString DescriptionWriter::stateNumber(int index)
{
    return DiscState::indexNumber(index);
}

void DescriptionWriter::clear()
{
    m_segmentItems.clear();
    m_sequenceItems.clear();
    m_pbcItems.clear();
    m_fileSystem.clear();
}

QString DescriptionWriter::fileNameForXml(const QString &path)
{
    // vcd.xml is UTF-8 text, so a path goes in as the file system names it.
    return QDir::toNativeSeparators(path);
}

QString DescriptionWriter::escapeAttribute(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        // Written raw, a parser would turn these into spaces inside an attribute.
        case u'\t':
            out += QLatin1String("&#9;");
            break;
        case u'\n':
            out += QLatin1String("&#10;");
            break;
        case u'\r':
            out += QLatin1String("&#13;");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF
                || (c.isHighSurrogate() && !(i + 1 < text.size() && text.at(i + 1).isLowSurrogate()))
                || (c.isLowSurrogate() && !(i > 0 && text.at(i - 1).isHighSurrogate())))
                // XML 1.0 has no way to write these at all.
                throw KelvaraError(5,
                    QLatin1String("This name cannot be written into vcd.xml because it holds a "
                                  "control character: ")
                        + QString(text).replace(c, u'?'));
            out += c;
        }
    }
    return out;
}

QString DescriptionWriter::fileAttribute(const QString &path) const
{
    if (path.isEmpty())
        throw KelvaraError(5, QStringLiteral("No file to name in vcd.xml"));
    return escapeAttribute(fileNameForXml(path));
}

void DescriptionWriter::addSegmentItem(const DiscState &state, const QString &file)
{
    requireState(state, "AddSegmentItem");
    m_segmentItems += kItemIndent + QLatin1String("<segment-item src=\"") + fileAttribute(file)
        + QLatin1String("\" id=\"") + state.segmentId() + QLatin1String("\"/>") + kEol;
}

void DescriptionWriter::addSequenceItem(const DiscState &state, const QString &file)
{
    requireState(state, "AddSequenceItem");
    m_sequenceItems += kItemIndent + QLatin1String("<sequence-item src=\"") + fileAttribute(file)
        + QLatin1String("\" id=\"") + state.segmentId() + QLatin1String("\"/>") + kEol;
}

void DescriptionWriter::addSelectionItem(const StateLinks &links)
{
    requireState(links.state, "AddSelectionItem");
    const ProjectNode *node = links.state.node;
    QString s;
    s += kItemIndent + QLatin1String("<selection id=\"") + links.state.selectionId() + QLatin1String("\">")
        + kEol;
    if (links.state.menuLine || (!links.state.caption && node->hasChildren()))
        s += kInnerIndent + QLatin1String("<bsn>1</bsn>") + kEol;
    s += optionalRef("prev", links.previous);
    s += optionalRef("next", links.next);
    s += optionalRef("return", links.returnTo);
    s += optionalRef("default", links.enter);
    s += optionalRef("timeout", links.timeout);
    s += kInnerIndent + QLatin1String("<wait>") + QString::number(links.wait) + QLatin1String("</wait>")
        + kEol;
    s += kInnerIndent + QLatin1String("<loop jump-timing=\"delayed\">1</loop>") + kEol;
    s += kInnerIndent + QLatin1String("<play-item ref=\"") + links.state.segmentId() + QLatin1String("\"/>")
        + kEol;
    for (const DiscState &key : links.numberKeys)
        s += selectionRef("select", key);
    s += kInnerIndent + QLatin1String("</selection>") + kEol;
    m_pbcItems += s;
}

QString DescriptionWriter::documentText() const
{
    const bool vcd = m_settings.vcd;
    const QString sequenceFile = QLatin1String(m_settings.ntsc ? "NTSC" : "PAL")
        + QLatin1String(vcd ? "_VCD" : "_SVCD") + QLatin1String(".mpg");

    QString t;
    const auto line = [&t](const QString &text) { t += text + kEol; };
    line(QStringLiteral("<?xml version=\"1.0\"?>"));
    line(QStringLiteral("<!DOCTYPE videocd PUBLIC \"-//GNU//DTD VideoCD//EN\" "
                        "\"http://www.gnu.org/software/vcdimager/videocd.dtd\">"));
    line(QStringLiteral("<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" ")
        + QLatin1String(vcd ? "class=\"vcd\" version=\"2.0\">" : "class=\"svcd\" version=\"1.0\">"));
    line(QStringLiteral("<option name=\"relaxed aps\" value=\"false\"/>"));
    if (!vcd)
        line(QStringLiteral("<option name=\"update scan offsets\" value=\"true\"/>"));
    line(QStringLiteral("<info>"));
    line(QStringLiteral("<album-id></album-id>"));
    line(QStringLiteral("<volume-count>1</volume-count>"));
    line(QStringLiteral("<volume-number>1</volume-number>"));
    line(QStringLiteral("<restriction>0</restriction>"));
    line(QStringLiteral("</info>"));
    line(QStringLiteral("<pvd>"));
    line(QStringLiteral("<volume-id>VIDEOCD</volume-id>"));
    line(QStringLiteral("<system-id>CD-RTOS CD-BRIDGE</system-id>"));
    line(QStringLiteral("<application-id>CDI/CDI_VCD.APP;1</application-id>"));
    line(QStringLiteral("<preparer-id>GNU VCDIMAGER</preparer-id>"));
    line(QStringLiteral("<publisher-id>KELVARA_1.00</publisher-id>"));
    line(QStringLiteral("</pvd>"));
    t += m_fileSystem;
    if (!m_segmentItems.isEmpty()) {
        line(QStringLiteral("<segment-items>"));
        t += m_segmentItems;
        line(QStringLiteral("</segment-items>"));
    }
    line(QStringLiteral("  <sequence-items>"));
    // A short fixed sequence: a disc needs at least one, whatever the album holds.
    line(QStringLiteral("    <sequence-item src=\"") + fileAttribute(ProgramFolder::dataFile(sequenceFile))
        + QStringLiteral("\" id=\"Sequence-0003\">"));
    line(QStringLiteral("      <default-entry id=\"Chapter-0003-01\"/>"));
    line(QStringLiteral("    </sequence-item>"));
    t += m_sequenceItems;
    line(QStringLiteral("  </sequence-items>"));
    line(QStringLiteral("  <pbc>"));
    t += m_pbcItems;
    line(QStringLiteral("  <endlist id=\"Selection-end\" rejected=\"true\"/>"));
    line(QStringLiteral("  </pbc>"));
    line(QStringLiteral("  </videocd>"));
    t += kEol;
    return t;
}

QString DescriptionWriter::descriptionPath() const
{
    QString folder = m_settings.destinationDir;
    while (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        folder.chop(1);
    return folder + QLatin1String("/vcd.xml");
}

bool DescriptionWriter::write()
{
    if (m_settings.destinationDir.trimmed().isEmpty())
        throw KelvaraError(76, QStringLiteral("No build folder is set, so vcd.xml cannot be written."));
    const QString path = descriptionPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir())
        throw KelvaraError(76,
            QLatin1String("The build folder does not exist, so vcd.xml cannot be written: ")
                + QDir::toNativeSeparators(folder));

    // Build the whole text first: a name that cannot be written must not leave
    // a half-made file behind, and QSaveFile keeps the old one until commit.
    const QByteArray bytes = documentText().toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw KelvaraError(75,
            QLatin1String("Cannot write ") + QDir::toNativeSeparators(path) + QLatin1String(": ")
                + file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw KelvaraError(61,
            QLatin1String("Writing ") + QDir::toNativeSeparators(path) + QLatin1String(" failed: ")
                + file.errorString());
    return true;
}
