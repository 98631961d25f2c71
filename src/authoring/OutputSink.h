#pragma once

#include <QList>
#include <QString>

#include <functional>

// The receivers a tool's output can be delivered to, each under the name of
// the window method that handles it ("chkOutput", "chkCreateMpeg"...).
// Names are matched without regard to letter case, so "chkBurnCDRecord" and
// "chkBurnCdrecord" both reach a receiver added as "chkBurnCdRecord".
class OutputSink
{
public:
    using Receiver = std::function<void(const QString &chunk)>;

    // Adds or replaces the receiver of that name.
    void addReceiver(const QString &name, Receiver receiver);

    // The receiver of that name, or an empty function when there is none.
    Receiver receiver(const QString &name) const;
    bool hasReceiver(const QString &name) const { return static_cast<bool>(receiver(name)); }

private:
    struct Entry
    {
        QString name;
        Receiver receiver;
    };
    QList<Entry> m_entries;
};
