#include "gui/CaptionEditor.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>

#include <algorithm>
#include <cmath>

#include "base/Numeric.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "imaging/CaptionText.h"
#include "imaging/ImgSource.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"
#include "settings/Settings.h"

namespace {

constexpr int Margin = 8; // the box's left and top offsets
const QString TenX = QStringLiteral("XXXXXXXXXX");

} // namespace

CaptionEditor::CaptionEditor(Prompter &prompter, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_prompter(prompter)
    , m_txtText(new QPlainTextEdit(this))
    , m_pbSave(new QPushButton(QStringLiteral("Save"), this))
    , m_pbCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("CaptionEditor"));
    setProperty(FormLocalizer::TextIdProperty, TextId::EditorWindow);
    setWindowTitle(QStringLiteral("Text editor"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_txtText->setObjectName(QStringLiteral("txtText"));
    m_txtText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_txtText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_txtText->setTabChangesFocus(true);
    m_pbSave->setObjectName(QStringLiteral("pbSave"));
    m_pbSave->setProperty(FormLocalizer::TextIdProperty, TextId::Save);
    m_pbCancel->setObjectName(QStringLiteral("pbCancel"));
    m_pbCancel->setProperty(FormLocalizer::TextIdProperty, TextId::Cancel);
    connect(m_pbSave, &QPushButton::clicked, this, &CaptionEditor::onSaveClicked);
    connect(m_pbCancel, &QPushButton::clicked, this, &CaptionEditor::onCancelClicked);
    // Escape is Cancel, as in a dialog.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &CaptionEditor::onCancelClicked);

    m_txtText->setGeometry(Margin, Margin, 320, 240);
    // Form_Load
    FormLocalizer::localizeWindow(this);
    fitToStill();
}

QString CaptionEditor::captionPathFor(const QString &picturePath)
{
    return captionPathOf(picturePath);
}

double CaptionEditor::matchedFontSize(double nominalSize, int windowWidth, int libraryWidth)
{
    if (windowWidth <= 0 || libraryWidth <= 0 || nominalSize <= 0)
        return nominalSize;
    return nominalSize * libraryWidth / windowWidth;
}

CaptionEditor *CaptionEditor::openFor(const ProjectNode *node, const Settings &settings, double stillWidth,
    double stillHeight, Prompter &prompter, QWidget *parent)
{
    if (!node)
        return nullptr;
    const QString picture = node->fullPath();
    if (QFileInfo(picture).isDir())
        return nullptr;
    auto *editor = new CaptionEditor(prompter, parent);
    editor->prepare(settings, stillWidth, stillHeight);
    editor->loadFile(captionPathFor(picture));
    editor->fitToStill();
    editor->show();
    editor->raise();
    editor->activateWindow();
    return editor;
}

void CaptionEditor::prepare(const Settings &settings, double stillWidth, double stillHeight)
{
    // A picture that could not be shown has no size on the frame; half the
    // frame still gives a usable box.
    int w = Numeric::roundHalfEven(stillWidth);
    int h = Numeric::roundHalfEven(stillHeight);
    if (w <= 0 || h <= 0) {
        w = std::max(settings.frameWidth / 2, 160);
        h = std::max(settings.frameHeight / 2, 120);
    }
    m_txtText->resize(w, h);

    const int nominal = Numeric::roundHalfEven(Numeric::val(settings.pictureFontSize));
    if (nominal <= 0)
        return; // no picture text is drawn; the default font serves
    // The library draws FontSize in pixels, the window in points: scale the
    // box's font so ten X's are as wide in it as on the still.
    ImgSource measure;
    measure.Font = settings.pictureFont;
    measure.FontSize = nominal;
    const int libraryWidth = measure.textWidth(TenX);

    QFont font(settings.pictureFont);
    font.setPointSizeF(nominal);
    const int windowWidth = QFontMetrics(font).horizontalAdvance(TenX);
    const double size = matchedFontSize(nominal, windowWidth, libraryWidth);
    if (size > 0)
        font.setPointSizeF(size);
    m_txtText->setFont(font);
}

QString CaptionEditor::readCaption(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return {};
    }
    *ok = true;
    return CaptionText::decode(file.readAll());
}

void CaptionEditor::loadFile(const QString &path)
{
    m_path = path;
    if (!QFileInfo::exists(path))
        return; // no caption yet: the box stays as it is
    bool ok = false;
    QString text = readCaption(path, &ok);
    if (!ok) {
        m_prompter.inform(
            localText(TextId::TitleReadText), localText(TextId::MsgCannotReadFile) + path + QLatin1Char('.'));
        return;
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    // A line end after the last line does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString boxText = m_txtText->toPlainText();
    for (const QString &line : std::as_const(lines))
        boxText += line + u'\n';
    m_txtText->setPlainText(boxText);
}

void CaptionEditor::fitToStill()
{
    const int buttonHeight = m_pbSave->sizeHint().height();
    const int buttonWidth = std::max(m_pbSave->sizeHint().width(), m_pbCancel->sizeHint().width());
    const QRect box = m_txtText->geometry();
    // Both buttons must fit below a small box.
    const int width = std::max(2 * Margin + box.width(), 3 * Margin + 2 * buttonWidth);
    const int buttonsTop = Margin + box.height() + Margin;
    m_pbSave->setGeometry(Margin, buttonsTop, buttonWidth, buttonHeight);
    m_pbCancel->setGeometry(width - Margin - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    setFixedSize(width, buttonsTop + buttonHeight + Margin);
}

void CaptionEditor::onSaveClicked()
{
    const QString text = m_txtText->toPlainText();
    if (text.isEmpty()) {
        // No caption: no file, and no caption state on the disc.
        QFile::remove(m_path);
    } else {
        QString fileText = text;
        fileText.replace(u'\n', QLatin1String("\r\n"));
        fileText += QLatin1String("\r\n");
        // Written aside and renamed, so a failed write leaves the old caption whole.
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fileText.toUtf8()) < 0 || !file.commit()) {
            m_prompter.inform(localText(TextId::TitleWriteText),
                localText(TextId::MsgCannotWriteFile) + m_path + QLatin1Char('.'));
            // The editor stays open so the typed text is not lost.
            return;
        }
    }
    emit saved();
    close();
}

void CaptionEditor::onCancelClicked()
{
    close();
}
