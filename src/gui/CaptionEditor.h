#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class ProjectNode;
class Prompter;
struct Settings;

// The caption editor: the text of a picture's caption file (the picture's
// path with ".txt" for its last four characters) in a box as large as the
// picture is on the frame, in a font scaled so the text wraps in the box as it
// does when drawn over the picture. Not modal; only one caption is edited at a
// time. Saving an empty box deletes the caption file.
class CaptionEditor : public QWidget
{
    Q_OBJECT

public:
    explicit CaptionEditor(Prompter &prompter, QWidget *parent = nullptr);

    // pbEditText_Click: opens an editor for a picture node (a file, not a
    // folder) sized to the still last rendered (stillWidth x stillHeight frame
    // pixels) and shows it; nullptr, and nothing shown, for a folder or no node.
    // The window deletes itself when it closes.
    static CaptionEditor *openFor(const ProjectNode *node, const Settings &settings, double stillWidth,
        double stillHeight, Prompter &prompter, QWidget *parent = nullptr);

    // The caption file of a picture: its path without the last four characters, plus ".txt".
    static QString captionPathFor(const QString &picturePath);

    // The point size that makes the window's text as wide as the imaging
    // library draws nominalSize (windowWidth and libraryWidth measure the same
    // text at nominalSize); nominalSize when either width is unusable.
    static double matchedFontSize(double nominalSize, int windowWidth, int libraryWidth);

    // Sizes the box, sets and scales its font from the picture font.
    void prepare(const Settings &settings, double stillWidth, double stillHeight);
    // Remembers the path and loads the caption; each line ends with a line end.
    void loadFile(const QString &path);
    // Sizes the window around the box, the buttons level below it.
    void fitToStill();

    void onSaveClicked();
    void onCancelClicked();

    QString path() const { return m_path; }
    QPlainTextEdit *textBox() const { return m_txtText; }

    // Caption files are written with CR LF line ends; read with any.
    static QString readCaption(const QString &path, bool *ok);

signals:
    // The caption file changed: the preview shows the selected node again.
    void saved();

private:
    Prompter &m_prompter;
    QString m_path;
    QPlainTextEdit *m_txtText;
    QPushButton *m_pbSave;
    QPushButton *m_pbCancel;
};
