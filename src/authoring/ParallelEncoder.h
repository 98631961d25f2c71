#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "authoring/MovieConverter.h"
#include "authoring/MovieProbe.h"
#include "authoring/SlideshowMaker.h"
#include "authoring/StillEncoder.h"

class Prompter;
class QThread;
class BuildCancel;
struct Settings;

// Encodes the walk's stills, and converts its movies, on several worker
// threads while the walk goes on rendering the next states on the window's
// thread. Each still goes through
// StillEncoder::encodeSteps, the steps a serial build runs (jpeg2yuv |
// mpeg2enc, scan information, mplex), with the tools started in the 3rdparty
// folder through their own working folder, so the process's current folder
// is never touched by a worker.
//
// What a build leaves is the same as a serial one: the log blocks reach
// Create.Log whole and in the order the stills were handed in; the first
// failure in that order is told once and raises the build's cancel flag; once the build
// is cancelled or has failed no encoder or multiplexer is started, running
// encoders are stopped and no ".mpg" of an unfinished still is left.
//
// A movie that cannot be converted, or a slideshow that cannot be made,
// stops nothing: its reason goes to the
// walk's callback, on the window's thread, when its log block is written;
// a stopped conversion leaves neither its part file nor a movie.
//
// Only submit, submitMovie, submitSlideshow and finish are called, all on the window's thread.
class ParallelEncoder
{
public:
    ParallelEncoder(const Settings &settings, Prompter &prompter, BuildCancel &cancel, int jobs);
    // Stops whatever still runs and waits for the workers.
    ~ParallelEncoder();
    ParallelEncoder(const ParallelEncoder &) = delete;
    ParallelEncoder &operator=(const ParallelEncoder &) = delete;

    // The number of encodings run at once for a Jobs setting: the setting
    // itself, or one per processor core for 0 (or less).
    static int jobsFor(int setting);

    // Queues stem + ".jpx" for encoding into stem + ".mpg". Waits, handling
    // events, while as many stills wait as there are workers, so the walk
    // stays only a little ahead of the encoders.
    void submit(const QString &stem);

    // Queues the conversion of source into output (see MovieConverter),
    // waiting as submit does. failed gets the reason of a conversion that
    // did not make the movie (never for a stopped one).
    void submitMovie(const QString &source, const QString &output, const MovieProbe::Info &info,
        std::function<void(const QString &reason)> failed);

    // Queues a folder's slideshow (see SlideshowMaker) into output, as a
    // movie's conversion is queued; the frames are removed once it is done.
    void submitSlideshow(const SlideshowMaker::Plan &plan, const QString &output,
        std::function<void(const QString &reason)> failed);

    // Waits, handling events, until every queued still is done or stopped,
    // writes the remaining log blocks and clears what a stopped still left.
    // True when every still was made and the build was not cancelled.
    bool finish();

    // The user's cancel, from the window's thread: no encoder or multiplexer
    // starts from now on and running ones are stopped.
    void cancel() { stopAll(); }

    int jobs() const { return m_jobs; }

private:
    struct Job;
    void worker();
    // Queues the job and keeps the walk at most one round ahead.
    void enqueue(std::unique_ptr<Job> job);
    void encode(Job &job);
    void convert(Job &job);
    // Writes the blocks of finished stills in order; tells the first failure.
    void flush();
    // Handles events and waits a little for a worker to finish a still.
    void waitABit();
    void stopAll();
    bool stopping(const Job &job) const;
    void noteFailure(int index);
    void cleanUp(const Job &job);

    const Settings &m_settings;
    Prompter &m_prompter;
    BuildCancel &m_cancel;
    const int m_jobs;
    const StillEncoder::Tools m_tools;
    const QString m_home;
    const QString m_workFolder;
    // The folder the first block names as current, as a serial build would.
    QString m_logFolder;

    std::mutex m_mutex;
    std::condition_variable m_wake; // a job was queued, or the end came
    std::condition_variable m_doneSignal; // a job finished
    std::vector<std::unique_ptr<Job>> m_all; // in submit order
    std::deque<Job *> m_queue; // waiting for a worker
    std::vector<QThread *> m_threads;
    // Stills with a higher index stop: the first failing still's index,
    // -1 after the user's cancel.
    std::atomic<int> m_stopAfter { INT_MAX };
    bool m_closing = false;
    bool m_failed = false;
    size_t m_flushed = 0;
};
