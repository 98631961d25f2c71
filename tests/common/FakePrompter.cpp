#include "FakePrompter.h"

#include <QStringList>

void FakePrompter::inform(const QString &title, const QString &text, Icon icon)
{
    m_boxes.append({ Kind::Inform, title, text, icon, true });
}

bool FakePrompter::askYesNo(const QString &title, const QString &text, Icon icon, bool defaultYes)
{
    m_boxes.append({ Kind::YesNo, title, text, icon, defaultYes });
    if (m_answers.empty())
        return defaultYes;
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool FakePrompter::askOkCancel(const QString &title, const QString &text, Icon icon)
{
    m_boxes.append({ Kind::OkCancel, title, text, icon, true });
    if (m_answers.empty())
        return true;
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList FakePrompter::texts() const
{
    QStringList list;
    for (const Box &box : m_boxes)
        list << box.text;
    return list;
}
