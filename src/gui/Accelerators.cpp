#include "gui/Accelerators.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

QString withoutMarks(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i; // "&&" stands for one '&'
        plain += text.at(i);
    }
    return plain;
}

QString marked(const QString &plain, qsizetype at)
{
    QString text;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (i == at)
            text += u'&';
        text += plain.at(i);
        if (plain.at(i) == u'&')
            text += u'&';
    }
    return text;
}

bool takesAccelerator(const QAbstractButton *button)
{
    // Tool buttons show actions (menus carry their letters) or icons only.
    return qobject_cast<const QPushButton *>(button) || qobject_cast<const QCheckBox *>(button)
        || qobject_cast<const QRadioButton *>(button);
}

} // namespace

QChar Accelerators::of(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) == u'&') {
            ++i;
            continue;
        }
        return text.at(i + 1).toUpper();
    }
    return {};
}

QString Accelerators::withFreeLetter(const QString &text, QString &used)
{
    const QString plain = withoutMarks(text);
    const QChar wanted = of(text);
    qsizetype at = -1;
    if (!wanted.isNull() && !used.contains(wanted)) {
        // The letter the caption was given, where it was given.
        for (qsizetype i = 0; i < plain.size() && at < 0; ++i) {
            if (plain.at(i).toUpper() == wanted)
                at = i;
        }
    }
    const auto free = [&](qsizetype i) {
        return plain.at(i).isLetterOrNumber() && !used.contains(plain.at(i).toUpper());
    };
    for (qsizetype i = 0; i < plain.size() && at < 0; ++i) {
        if (free(i) && (i == 0 || !plain.at(i - 1).isLetterOrNumber()))
            at = i;
    }
    for (qsizetype i = 0; i < plain.size() && at < 0; ++i) {
        if (free(i))
            at = i;
    }
    if (at < 0)
        return plain;
    used += plain.at(at).toUpper();
    return marked(plain, at);
}

const QWidget *Accelerators::pageOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        const QWidget *stack = w->parentWidget();
        if (stack && qobject_cast<const QTabWidget *>(stack->parentWidget()))
            return w;
    }
    return nullptr;
}

void Accelerators::assign(QWidget *window)
{
    if (!window)
        return;
    QString windowUsed;
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        const QList<QAction *> menus = main->menuBar()->actions();
        for (const QAction *menu : menus) {
            const QChar letter = of(menu->text());
            if (!letter.isNull())
                windowUsed += letter;
        }
    }
    QList<QAbstractButton *> buttons = window->findChildren<QAbstractButton *>();
    // Windows owned by this one (the settings window) have letters of their own.
    buttons.removeIf([window](const QAbstractButton *button) {
        return button->window() != window || !takesAccelerator(button)
            || withoutMarks(button->text()).trimmed().isEmpty();
    });
    // The buttons off the pages first: every page must leave their letters.
    for (QAbstractButton *button : std::as_const(buttons)) {
        if (!pageOf(button))
            button->setText(withFreeLetter(button->text(), windowUsed));
    }
    QHash<const QWidget *, QString> pageUsed;
    for (QAbstractButton *button : std::as_const(buttons)) {
        if (const QWidget *page = pageOf(button)) {
            if (!pageUsed.contains(page))
                pageUsed.insert(page, windowUsed);
            button->setText(withFreeLetter(button->text(), pageUsed[page]));
        }
    }
}
