#pragma once

#include "base/Prompter.h"

class QWidget;

// Prompter for the windows: each box is a QMessageBox over the given parent.
class MessageBoxPrompter : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr);

    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void inform(const QString &title, const QString &text, Icon icon = Icon::None) override;
    bool askYesNo(const QString &title, const QString &text, Icon icon = Icon::Question,
        bool defaultYes = true) override;
    bool askOkCancel(const QString &title, const QString &text, Icon icon = Icon::None) override;

private:
    QWidget *m_parent;
};
