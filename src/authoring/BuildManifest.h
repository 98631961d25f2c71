#pragma once

#include <QHash>
#include <QString>

// The record a build keeps in its build folder ("kelvara-manifest.json") of
// the outputs it made: for each, named by its path below the build folder,
// the fingerprint of everything that decided its bytes and the size and
// content hash of the file as it was made. A later build reuses an output
// only when the fingerprint it computes is the recorded one and the file is
// still whole; a manifest that is missing, damaged or of another format
// reuses nothing.
class BuildManifest
{
public:
    static QString fileName();

    // Reads the build folder's manifest; this build has made or kept
    // nothing yet.
    void load(const QString &buildFolder);

    // True, and the output counts as kept by this build, when it was made
    // with this fingerprint and its file is still the one made then.
    bool reuse(const QString &output, const QString &fingerprint);
    // This build makes the output: its size and hash are read on save, from
    // whatever file is there by then. An empty fingerprint is never reused.
    void expect(const QString &output, const QString &fingerprint);

    // Writes the manifest. A complete build also deletes the files of
    // recorded outputs it neither made nor kept (the album no longer has
    // them); an incomplete one keeps their records for the next build.
    // False when the manifest could not be written.
    bool save(bool complete);

    // The outputs of this build that were made, and those kept as they were.
    int made() const { return m_made; }
    int reused() const { return m_reused; }

private:
    struct Entry
    {
        QString fingerprint;
        qint64 size = -1;
        QString hash;
    };
    QString pathOf(const QString &output) const;
    static bool isOwnOutput(const QString &output);

    QString m_folder;
    QHash<QString, Entry> m_previous;
    QHash<QString, Entry> m_current;
    int m_made = 0;
    int m_reused = 0;
};
