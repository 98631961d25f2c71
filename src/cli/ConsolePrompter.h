#pragma once

#include "base/Prompter.h"

// Prompter for the headless subcommands: prints every box on stderr and answers
// each question with its default, or with Yes/OK when assumeYes is set.
class ConsolePrompter : public Prompter
{
public:
    explicit ConsolePrompter(bool assumeYes = false);

    void inform(const QString &title, const QString &text, Icon icon = Icon::None) override;
    bool askYesNo(const QString &title, const QString &text, Icon icon = Icon::Question,
        bool defaultYes = true) override;
    bool askOkCancel(const QString &title, const QString &text, Icon icon = Icon::None) override;

private:
    bool m_assumeYes;
};
