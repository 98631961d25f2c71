#include "imaging/PicturePrefetch.h"

#include <algorithm>

PicturePrefetch::~PicturePrefetch()
{
    drop();
}

void PicturePrefetch::drop()
{
    for (Pending &pending : m_pending)
        pending.result.wait();
    m_pending.clear();
}

void PicturePrefetch::forget(const QString &fileName)
{
    std::erase_if(m_pending, [&](Pending &pending) {
        if (pending.fileName != fileName)
            return false;
        pending.result.wait();
        return true;
    });
}

std::vector<PicturePrefetch::Pending>::iterator PicturePrefetch::find(
    const QString &fileName, int minWidth, int minHeight)
{
    return std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending &pending) {
        return pending.fileName == fileName && pending.minWidth == minWidth && pending.minHeight == minHeight;
    });
}

void PicturePrefetch::start(const QString &fileName, int minWidth, int minHeight)
{
    if (m_pending.size() >= kMaxPending || find(fileName, minWidth, minHeight) != m_pending.end())
        return;
    Pending pending { fileName, minWidth, minHeight, {} };
    pending.result = std::async(std::launch::async, [fileName, minWidth, minHeight] {
        auto reader = std::make_unique<PictureReader>();
        reader->read(fileName, minWidth, minHeight);
        return reader;
    });
    m_pending.push_back(std::move(pending));
}

bool PicturePrefetch::take(const QString &fileName, int minWidth, int minHeight, PictureReader &reader)
{
    const auto found = find(fileName, minWidth, minHeight);
    if (found == m_pending.end())
        return false;
    std::unique_ptr<PictureReader> result = found->result.get();
    m_pending.erase(found);
    reader = std::move(*result);
    return true;
}
