#pragma once

#include <QHash>
#include <QList>
#include <QString>

// The interface texts by number: English ids below 10000, language n
// (1 Dutch, 2 German, 3 Portuguese, 4 Italian, 5 French) at n * 10000 + id.
// Loaded once from the resource files strings/<code>.txt, one "id<TAB>text"
// per line, with \n, \r, \t and \\ escapes; lines starting with '#' are comments.
class StringTable
{
public:
    static constexpr int LanguageCount = 6;
    static constexpr int LanguageStride = 10000;

    static StringTable &instance();

    // The raw entry of a full id (offset included); empty when missing.
    QString entry(int fullId) const { return m_texts.value(fullId); }
    bool contains(int fullId) const { return m_texts.contains(fullId); }

    // Language index * 10000; 0 for English. Start-up sets 10000 until the
    // settings are read (so its messages come from that block).
    int languageOffset() const { return m_offset; }
    void setLanguageOffset(int offset) { m_offset = offset; }

    // Parses one language file's text into the table at the given offset.
    void load(const QString &fileText, int offset);

    // The English ids that have a non-empty text in the block starting at
    // offset, in ascending order.
    QList<int> ids(int offset) const;

    // One file's entries by id, escapes resolved. Malformed lines are skipped;
    // a later line with the same id replaces an earlier one.
    static QHash<int, QString> parse(const QString &fileText);

    // The resource file name of a language index ("en", "nl", ...); empty
    // outside 0..LanguageCount-1.
    static QString languageCode(int index);

private:
    StringTable();

    QHash<int, QString> m_texts;
    int m_offset = 0;
};

// The text with this English id in the current language; the English text when
// that one is missing or empty; empty when the id is unknown in both.
QString localText(int id);
