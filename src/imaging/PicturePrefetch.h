#pragma once

#include <QString>

#include <future>
#include <memory>
#include <vector>

#include "imaging/PictureReader.h"

// Decodes the pictures a build will need next on threads of their own, while
// the current one is composed and encoded. Decoding is most of a still's
// work for HEIC photos, whose decoder has no reduced-size decode, and the
// stills' encoders leave cores free much of the time.
//
// Only the thread that calls start and take uses this object.
class PicturePrefetch
{
public:
    // At most this many decodes are started and not yet taken.
    static constexpr size_t kMaxPending = 2;

    PicturePrefetch() = default;
    // Waits for decodes still running: their threads read the files.
    ~PicturePrefetch();
    PicturePrefetch(const PicturePrefetch &) = delete;
    PicturePrefetch &operator=(const PicturePrefetch &) = delete;

    // Starts decoding the file as PictureReader::read would with this
    // minimum size, unless it is started already or kMaxPending are.
    void start(const QString &fileName, int minWidth, int minHeight);

    // The started decode of this file at this minimum size, once finished:
    // true with its result (a failure included) in reader. False, and
    // nothing waited for, when it was not started.
    bool take(const QString &fileName, int minWidth, int minHeight, PictureReader &reader);

    // Forgets the decodes of this file (waiting for them): it was not needed.
    void forget(const QString &fileName);

    size_t pending() const { return m_pending.size(); }
    // Forgets every decode not taken (waiting for their threads): the files
    // may change before anyone asks for them again.
    void drop();

private:
    struct Pending
    {
        QString fileName;
        int minWidth = 0;
        int minHeight = 0;
        std::future<std::unique_ptr<PictureReader>> result;
    };
    std::vector<Pending>::iterator find(const QString &fileName, int minWidth, int minHeight);

    std::vector<Pending> m_pending;
};
