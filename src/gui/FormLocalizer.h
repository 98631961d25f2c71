#pragma once

#include <QObject>
#include <QStringList>

class QWidget;

// Relabels windows in the current interface language. A control carries the
// English id of its caption in the dynamic property "textId" (buttons, check
// boxes, option buttons, labels, group boxes, menus, actions) and of its tool
// tip in "tipId"; a window's own "textId" names its title. Controls without
// the property keep the text they were given.
class FormLocalizer : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *TextIdProperty = "textId";
    static constexpr const char *TipIdProperty = "tipId";

    static FormLocalizer &instance();

    // The window's title becomes its text only when the current language has
    // one (no English fallback for titles); every control with a textId gets
    // LocalText of it. An id unknown in every language leaves the caption as is.
    static void localizeWindow(QWidget *window);

    // LocalizeForm on every top-level widget, shown or hidden.
    static void localizeAllWindows();

    // Switches the interface language (0 English, 1 Dutch, 2 German,
    // 3 Portuguese, 4 Italian, 5 French), relabels all windows and emits
    // languageChanged. An index outside the list selects English. Returns the
    // index applied.
    static int setLanguage(int index);

    // The index of the current language block.
    static int currentLanguage();

    // The names shown in the language list, in index order.
    static QStringList languageNames();

signals:
    // For windows whose texts are composed in code rather than by textId.
    void languageChanged(int index);

private:
    FormLocalizer() = default;
};
