#include "authoring/OutputSink.h"

void OutputSink::addReceiver(const QString &name, Receiver receiver)
{
    for (Entry &entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            entry.receiver = std::move(receiver);
            return;
        }
    }
    m_entries.append({ name, std::move(receiver) });
}

OutputSink::Receiver OutputSink::receiver(const QString &name) const
{
    for (const Entry &entry : m_entries) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry.receiver;
    }
    return {};
}
