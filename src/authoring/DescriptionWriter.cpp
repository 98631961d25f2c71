#include "authoring/DescriptionWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "base/KelvaraError.h"
#include "base/Numeric.h"
#include "base/ProgramFolder.h"
#include "authoring/BuildState.h"
#include "project/ProjectNode.h"
#include "settings/Settings.h"

namespace {

const QLatin1String kEol("\r\n");
const QLatin1String kItemIndent("\t\t"); // items and selection open lines
const QLatin1String kInnerIndent("\t\t\t"); // lines inside a selection, and its close

// Menu pages advance to the next entry after the longest wait a player knows.
const int kMenuWait = 2000;

void requireNode(const ProjectNode *node, const char *procedure)
{
    if (!node)
        throw KelvaraError(91, QLatin1String(procedure) + QLatin1String(": no node to describe"));
}

QString selectionRef(const char *element, const QString &number)
{
    return kInnerIndent + u'<' + QLatin1String(element) + QLatin1String(" ref = \"Selection-") + number
        + QLatin1String("\"/>") + kEol;
}

QString selectionRef(const char *element, const ProjectNode *node)
{
    return selectionRef(element, DescriptionWriter::stateNumber(node->Index()));
}

QString textSelectionRef(const char *element, const ProjectNode *node)
{
    return selectionRef(element, QLatin1String("text") + DescriptionWriter::stateNumber(node->Index()));
}

} // namespace

DescriptionWriter::DescriptionWriter(BuildState &state, const Settings &settings)
    : m_state(state)
    , m_settings(settings)
{ }

QString DescriptionWriter::stateNumber(int index)
{
    return QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0'));
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

QString DescriptionWriter::pictureWait() const
{
    const int seconds = Numeric::roundHalfEven(Numeric::val(m_settings.timeout));
    // Below one second means "wait for ever", which the format writes as -1.
    return QString::number(seconds < 1 ? -1 : seconds);
}

void DescriptionWriter::AddSegmentItem(const ProjectNode *node, bool menuState)
{
    requireNode(node, "AddSegmentItem");
    const QString number = stateNumber(node->Index());
    QString src;
    QString id;
    if (menuState) {
        // A menu picture's CurrentFile is its stem.
        src = fileAttribute(m_state.CurrentFile + QLatin1String(".mpg"));
        id = QLatin1String("Segment-") + number;
    } else if (m_state.TextMode) {
        src = fileAttribute(m_state.CurrentFile);
        id = QLatin1String("Segment-text") + number;
    } else {
        src = fileAttribute(m_state.CurrentFile);
        id = QLatin1String("Segment-") + number;
    }
    m_state.SegmentItems += kItemIndent + QLatin1String("<segment-item src=\"") + src
        + QLatin1String("\" id=\"") + id + QLatin1String("\"/>") + kEol;
}

void DescriptionWriter::AddSequenceItem(const ProjectNode *node)
{
    requireNode(node, "AddSequenceItem");
    m_state.SequenceItems += kItemIndent + QLatin1String("<sequence-item src=\"")
        + fileAttribute(m_state.CurrentFile) + QLatin1String("\" id=\"Segment-") + stateNumber(node->Index())
        + QLatin1String("\"/>") + kEol;
}

void DescriptionWriter::AddSelectionItem(const ProjectNode *node, bool menuState)
{
    requireNode(node, "AddSelectionItem");
    const ProjectNode *parent = node->parent();
    if (!parent)
        return; // the root has no state of its own

    const bool caption = m_state.TextMode;
    const QString number = stateNumber(node->Index());
    const QString self = caption ? QLatin1String("text") + number : number;
    QString s;

    s += kItemIndent + QLatin1String("<selection id=\"Selection-") + self + QLatin1String("\">") + kEol;
    if (node->hasChildren())
        s += kInnerIndent + QLatin1String("<bsn>1</bsn>") + kEol;
    if (const ProjectNode *prev = node->previous())
        s += selectionRef("prev", prev);
    if (const ProjectNode *next = node->next())
        s += selectionRef("next", next);

    QString wait;
    if (caption) {
        // Return and Enter both go back to the plain picture; the caption stays
        // on screen until the viewer moves on.
        s += selectionRef("return", node);
        s += selectionRef("default", node);
        s += textSelectionRef("timeout", node);
        wait = QString::number(kMenuWait);
    } else {
        if (!parent->isRoot())
            s += selectionRef("return", parent);
        if (node->hasChildren())
            s += selectionRef("default", node->firstChild());
        else if (!m_state.CaptionFile.isEmpty())
            s += textSelectionRef("default", node);
        const ProjectNode *timeoutTarget = node->next();
        if (!timeoutTarget)
            timeoutTarget = parent->isRoot() ? node : parent;
        s += selectionRef("timeout", timeoutTarget);
        wait = menuState ? QString::number(kMenuWait) : pictureWait();
    }
    s += kInnerIndent + QLatin1String("<wait>") + wait + QLatin1String("</wait>") + kEol;
    s += kInnerIndent + QLatin1String("<loop jump-timing=\"delayed\">1</loop>") + kEol;
    s += kInnerIndent + QLatin1String("<play-item ref=\"Segment-") + self + QLatin1String("\"/>") + kEol;

    // Number keys: key k opens the entry in slot k of this menu page (its first
    // picture or movie, or the entry's own menu state when it is empty). Every
    // menu state gets them, including one that highlights an empty entry.
    if (menuState || node->hasChildren()) {
        const ProjectNode *slot = node;
        for (int i = 1; i < m_state.EntrySlot && slot->previous(); ++i)
            slot = slot->previous();
        for (int k = 1; k <= m_state.EntriesPerPage && slot; ++k) {
            s += selectionRef("select", slot->hasChildren() ? slot->firstChild() : slot);
            slot = slot->next();
        }
    }

    s += kInnerIndent + QLatin1String("</selection>") + kEol;
    m_state.PbcItems += s;
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
    if (!m_state.SegmentItems.isEmpty()) {
        line(QStringLiteral("<segment-items>"));
        t += m_state.SegmentItems;
        line(QStringLiteral("</segment-items>"));
    }
    line(QStringLiteral("  <sequence-items>"));
    // A short fixed sequence: a disc needs at least one, whatever the album holds.
    line(QStringLiteral("    <sequence-item src=\"") + fileAttribute(ProgramFolder::dataFile(sequenceFile))
        + QStringLiteral("\" id=\"Sequence-0003\">"));
    line(QStringLiteral("      <default-entry id=\"Chapter-0003-01\"/>"));
    line(QStringLiteral("    </sequence-item>"));
    t += m_state.SequenceItems;
    line(QStringLiteral("  </sequence-items>"));
    line(QStringLiteral("  <pbc>"));
    t += m_state.PbcItems;
    line(QStringLiteral("  <endlist id=\"Selection-end\" rejected=\"true\"/>"));
    line(QStringLiteral("  </pbc>"));
    line(QStringLiteral("  </videocd>"));
    t += kEol;
    return t;
}

QString DescriptionWriter::descriptionPath() const
{
    QString folder = m_settings.destinationdir;
    while (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        folder.chop(1);
    return folder + QLatin1String("/vcd.xml");
}

bool DescriptionWriter::createxml()
{
    if (m_settings.destinationdir.trimmed().isEmpty())
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
