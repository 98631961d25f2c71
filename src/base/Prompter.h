#pragma once

#include <QString>

// The one way core code asks or tells the person at the keyboard. The window
// answers with message boxes, the command line on stderr, tests with a fake.
class Prompter
{
public:
    enum class Icon { None, Information, Warning, Critical, Exclamation, Question };

    virtual ~Prompter() = default;

    // A box with OK only.
    virtual void inform(const QString &title, const QString &text, Icon icon = Icon::None) = 0;
    void warn(const QString &title, const QString &text) { inform(title, text, Icon::Warning); }
    void error(const QString &title, const QString &text) { inform(title, text, Icon::Critical); }

    // Yes and No; returns true for Yes. defaultYes picks the default button.
    virtual bool askYesNo(
        const QString &title, const QString &text, Icon icon = Icon::Question, bool defaultYes = true)
        = 0;

    // OK and Cancel; returns true for OK.
    virtual bool askOkCancel(const QString &title, const QString &text, Icon icon = Icon::None) = 0;
};
