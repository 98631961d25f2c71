#pragma once

#include <QString>

struct DiscState;
struct Settings;
struct StateLinks;

// Writes vcd.xml, the VideoCD XML description that vcdxbuild turns into a disc
// image. The generation walk calls the three Add procedures for every disc
// state, in disc order; they append lines to the writer's item lists, the
// selections with the links the navigation model gives. write() then
// wraps the lists in the fixed frame and writes the file to the build folder.
//
// Every line ends with CR LF. State ids are node indexes written with at least
// four digits ("Selection-0012", "Segment-text0012").
class DescriptionWriter
{
public:
    // The settings are read at each call, so later changes to them are seen.
    explicit DescriptionWriter(const Settings &settings);

    // One segment item for the still of a state, just saved as file.
    void addSegmentItem(const DiscState &state, const QString &file);
    // One sequence item for a movie's state; file is the movie's source path.
    void addSequenceItem(const DiscState &state, const QString &file);
    // One selection with the state's prev/next/return/default/timeout links,
    // wait, play item and, for a menu page, its number keys.
    void addSelectionItem(const StateLinks &links);

    // The <filesystem> element (DiscOriginals::fileSystemXml), or empty for
    // a disc with no files of its own beside the Video CD ones.
    void setFileSystem(const QString &element) { m_fileSystem = element; }

    // Forgets the items added so far, before a new build.
    void clear();
    const QString &segmentItems() const { return m_segmentItems; }
    const QString &sequenceItems() const { return m_sequenceItems; }
    const QString &pbcItems() const { return m_pbcItems; }

    // Writes build folder + "/vcd.xml" in one go (an existing file is replaced
    // only when the new one is complete). Returns true once written; throws
    // KelvaraError when the file cannot be written.
    bool write();

    // The path where write() writes.
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
    QString documentText() const;

    const Settings &m_settings;
    QString m_segmentItems;
    QString m_sequenceItems;
    QString m_pbcItems;
    QString m_fileSystem;
};
