#pragma once

#include <QString>

struct BuildState;
struct Settings;
class ProjectNode;

// Writes vcd.xml, the VideoCD XML description that vcdxbuild turns into a disc
// image. The generation walk calls the three Add procedures for every disc
// state, in disc order; they append lines to the accumulators of BuildState,
// deciding ids and play-back links from the tree alone. createxml() then wraps
// the accumulators in the fixed frame and writes the file to the build folder.
//
// Every line ends with CR LF. State ids are node indexes written with at least
// four digits ("Selection-0012", "Segment-text0012").
class DescriptionWriter
{
public:
    // Both are read at each call, so later changes to them are seen.
    DescriptionWriter(BuildState &state, const Settings &settings);

    // One segment item for the still just saved (BuildState::CurrentFile). For a
    // menu state CurrentFile has no extension and node is the highlighted entry.
    void AddSegmentItem(const ProjectNode *node, bool menuState);
    // One sequence item for a movie; CurrentFile is the movie's source path.
    void AddSequenceItem(const ProjectNode *node);
    // One selection with its prev/next/return/default/timeout links, wait, play
    // item and, for a menu state, the number keys of its menu page. Nothing for
    // the root.
    void AddSelectionItem(const ProjectNode *node, bool menuState);

    // Writes build folder + "/vcd.xml" in one go (an existing file is replaced
    // only when the new one is complete). Returns true once written; throws
    // KelvaraError when the file cannot be written.
    bool createxml();

    // The path where createxml() writes.
    QString descriptionPath() const;

    // How a file path is named inside vcd.xml, before XML escaping. The one
    // place to change if vcdxbuild needs file names in another form.
    static QString fileNameForXml(const QString &path);
    // Text made safe for a double-quoted XML attribute.
    static QString escapeAttribute(const QString &text);
    // "0012" for 12; an index above 9999 is written in full.
    static QString stateNumber(int index);

private:
    QString fileAttribute(const QString &path) const;
    QString pictureWait() const;
    QString documentText() const;

    BuildState &m_state;
    const Settings &m_settings;
};
