#pragma once

#include <QList>
#include <QString>

// One effect of a line of burner output on the burn window.
struct BurnEvent
{
    enum class Kind {
        Status, // txtStatus shows text
        Progress, // the progress bar goes to value (0..100)
        LastStatus, // the status to show when the burn ends becomes text
        LogLine, // text is written to the burn log as one line
    };

    Kind kind;
    QString text;
    int value = 0;

    static BurnEvent status(const QString &text) { return { Kind::Status, text, 0 }; }
    static BurnEvent progress(int percent) { return { Kind::Progress, QString(), percent }; }
    static BurnEvent lastStatus(const QString &text) { return { Kind::LastStatus, text, 0 }; }
    static BurnEvent logLine(const QString &text) { return { Kind::LogLine, text, 0 }; }

    bool operator==(const BurnEvent &) const = default;
};

using BurnEvents = QList<BurnEvent>;
