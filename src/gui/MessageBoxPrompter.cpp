#include "gui/MessageBoxPrompter.h"

#include <QMessageBox>

namespace {
QMessageBox::Icon toBoxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
    case Prompter::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

MessageBoxPrompter::MessageBoxPrompter(QWidget *parent)
    : m_parent(parent)
{ }

void MessageBoxPrompter::inform(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool MessageBoxPrompter::askYesNo(const QString &title, const QString &text, Icon icon, bool defaultYes)
{
    QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool MessageBoxPrompter::askOkCancel(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    return box.exec() == QMessageBox::Ok;
}
