#include "gui/FormLocalizer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QVariant>
#include <QWidget>

#include "base/StringTable.h"
#include "gui/Accelerators.h"

namespace {

// The id held in a property, or 0 when it is absent, empty or not a number.
int propertyId(const QObject *object, const char *name)
{
    const QVariant value = object->property(name);
    if (!value.isValid())
        return 0;
    bool ok = false;
    const int id = value.toInt(&ok);
    return ok && id > 0 ? id : 0;
}

void setCaption(QObject *object, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(object))
        group->setTitle(text);
    else if (auto *menu = qobject_cast<QMenu *>(object))
        menu->setTitle(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setText(text);
    // Any other control has no caption; its id is ignored.
}

void setTip(QObject *object, const QString &text)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setToolTip(text);
    else if (auto *action = qobject_cast<QAction *>(object))
        action->setToolTip(text);
}

void relabelControl(QObject *object)
{
    // An unknown id keeps the caption rather than blanking the control.
    if (const int id = propertyId(object, FormLocalizer::TextIdProperty)) {
        const QString text = localText(id);
        if (!text.isEmpty())
            setCaption(object, text);
    }
    if (const int id = propertyId(object, FormLocalizer::TipIdProperty)) {
        const QString text = localText(id);
        if (!text.isEmpty())
            setTip(object, text);
    }
}

} // namespace

FormLocalizer &FormLocalizer::instance()
{
    static FormLocalizer localizer;
    return localizer;
}

void FormLocalizer::localizeWindow(QWidget *window)
{
    if (!window)
        return;

    // A popup menu is a window to Qt but a captioned control to us.
    if (window->isWindow() && !qobject_cast<QMenu *>(window)) {
        if (const int id = propertyId(window, TextIdProperty)) {
            const StringTable &table = StringTable::instance();
            const QString title = table.entry(table.languageOffset() + id);
            if (!title.isEmpty())
                window->setWindowTitle(title);
        }
        if (const int id = propertyId(window, TipIdProperty)) {
            const QString tip = localText(id);
            if (!tip.isEmpty())
                window->setToolTip(tip);
        }
    } else {
        relabelControl(window);
    }

    QSet<QObject *> done;
    const QList<QObject *> children = window->findChildren<QObject *>();
    for (QObject *child : children) {
        done.insert(child);
        relabelControl(child);
    }
    // Actions shown in this window may be owned by some other object.
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : std::as_const(widgets)) {
        const QList<QAction *> actions = widget->actions();
        for (QAction *action : actions) {
            if (done.contains(action))
                continue;
            done.insert(action);
            relabelControl(action);
        }
    }
    // New captions, new letters: each button of the window keeps one, and so
    // does each of the windows it owns, relabelled with it.
    if (window->isWindow())
        Accelerators::assign(window);
    for (QWidget *widget : std::as_const(widgets)) {
        if (widget != window && widget->isWindow())
            Accelerators::assign(widget);
    }
}

void FormLocalizer::localizeAllWindows()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        localizeWindow(window);
}

int FormLocalizer::setLanguage(int index)
{
    if (index < 0 || index >= StringTable::LanguageCount)
        index = 0;
    StringTable::instance().setLanguageOffset(index * StringTable::LanguageStride);
    localizeAllWindows();
    emit instance().languageChanged(index);
    return index;
}

int FormLocalizer::currentLanguage()
{
    return StringTable::instance().languageOffset() / StringTable::LanguageStride;
}

QStringList FormLocalizer::languageNames()
{
    // Each language by its own name: someone who cannot read the current
    // language still finds theirs.
    return { QStringLiteral("English"), QStringLiteral("Nederlands"), QStringLiteral("Deutsch"),
        QStringLiteral("Português"), QStringLiteral("Italiano"), QStringLiteral("Français") };
}
