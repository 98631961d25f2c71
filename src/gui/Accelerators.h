#pragma once

#include <QChar>
#include <QString>

class QWidget;

// Gives every button of a window an Alt+letter accelerator, in whatever
// language its captions are: the string table marks menus, but button
// captions change with the language and one fixed letter would clash in
// some of them. A caption keeps the letter it was given when no other
// control it can be reached with has it; otherwise it takes the first free
// letter, preferring the start of a word. The menu bar's letters are taken
// first. Buttons on different pages of a tab widget may share a letter (a
// hidden page's buttons do not answer), never with a button off the pages.
class Accelerators
{
public:
    static void assign(QWidget *window);

    // The letter after a single '&' in text (upper case), or a null QChar.
    static QChar of(const QString &text);
    // text with '&' placed before the first letter not in used; text without
    // marks when every letter is taken.
    static QString withFreeLetter(const QString &text, QString &used);
    // The tab page widget lies on, or null when it lies on none.
    static const QWidget *pageOf(const QWidget *widget);
};
