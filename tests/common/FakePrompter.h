#pragma once

#include <QList>
#include <QString>

#include <deque>

#include "base/Prompter.h"

// Records every box core code shows and answers questions from a script
// (true = Yes/OK). Without a scripted answer a question gets its default.
class FakePrompter : public Prompter
{
public:
    enum class Kind { Inform, YesNo, OkCancel };
    struct Box
    {
        Kind kind;
        QString title;
        QString text;
        Icon icon;
        bool defaultYes;
    };

    void inform(const QString &title, const QString &text, Icon icon = Icon::None) override;
    bool askYesNo(const QString &title, const QString &text, Icon icon = Icon::Question,
        bool defaultYes = true) override;
    bool askOkCancel(const QString &title, const QString &text, Icon icon = Icon::None) override;

    void scriptAnswer(bool answer) { m_answers.push_back(answer); }

    const QList<Box> &boxes() const { return m_boxes; }
    int count() const { return static_cast<int>(m_boxes.size()); }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }

private:
    QList<Box> m_boxes;
    std::deque<bool> m_answers;
};
