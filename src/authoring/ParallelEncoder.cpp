#include "authoring/ParallelEncoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <climits>

#include "authoring/BuildCancel.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/Settings.h"

struct ParallelEncoder::Job
{
    int index = 0;
    QString stem;
    QString stream;
    QStringList head; // written on the window's thread at submit
    QStringList lines; // written by the worker
    int failText = 0; // the message of a failed still
    // A movie's conversion instead of a still.
    bool movie = false;
    QString source;
    QString output;
    MovieProbe::Info info;
    // A slideshow's making, in place of a conversion of source.
    std::function<MovieConverter::Outcome(
        const std::function<void(const QString &)> &log, const ToolJob::CancelCheck &interrupt)>
        make;
    QStringList frames; // a slideshow's stills, removed when it is done
    QString reason; // why the movie was not made
    std::function<void(const QString &)> failed;
    bool started = false;
    bool stopped = false;
    bool done = false; // guarded by m_mutex
};

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ParallelEncoder::ParallelEncoder(const Settings &settings, Prompter &prompter, BuildCancel &cancel, int jobs)
    : m_settings(settings)
    , m_prompter(prompter)
    , m_cancel(cancel)
    , m_jobs(std::max(1, jobs))
    , m_tools(StillEncoder::Tools::find())
    , m_home(ProgramFolder::path())
    , m_workFolder(StillEncoder::toolFolder())
    , m_logFolder(native(QDir::currentPath()))
{
    for (int i = 0; i < m_jobs; ++i) {
        QThread *thread = QThread::create([this] { worker(); });
        m_threads.push_back(thread);
        thread->start();
    }
}

ParallelEncoder::~ParallelEncoder()
{
    stopAll();
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    for (QThread *thread : m_threads) {
        thread->wait();
        delete thread;
    }
}

int ParallelEncoder::jobsFor(int setting)
{
    if (setting > 0)
        return setting;
    return std::max(1, QThread::idealThreadCount());
}

void ParallelEncoder::stopAll()
{
    m_stopAfter = -1;
}

bool ParallelEncoder::stopping(const Job &job) const
{
    return job.index > m_stopAfter.load();
}

void ParallelEncoder::submit(const QString &stem)
{
    flush();
    auto job = std::make_unique<Job>();
    job->index = static_cast<int>(m_all.size());
    // The walk's stem may be relative to the current folder; the tools run
    // elsewhere.
    job->stem = QFileInfo(stem).absoluteFilePath();
    job->stream = job->stem + StillEncoder::streamSuffix(m_settings.vcd);
    job->head = { QStringLiteral("-----"), QLatin1String("Curdir = ") + m_logFolder,
        QLatin1String("Curdir 3rdparty = ") + native(m_workFolder) };
    // After the first still a serial build stands in the program folder.
    m_logFolder = native(m_home);
    enqueue(std::move(job));
}

void ParallelEncoder::submitMovie(const QString &source, const QString &output, const MovieProbe::Info &info,
    std::function<void(const QString &reason)> failed)
{
    flush();
    auto job = std::make_unique<Job>();
    job->index = static_cast<int>(m_all.size());
    job->movie = true;
    job->source = source;
    job->output = QFileInfo(output).absoluteFilePath();
    job->info = info;
    job->failed = std::move(failed);
    job->head = { QStringLiteral("-----"), QLatin1String("Movie = ") + native(source) };
    enqueue(std::move(job));
}

void ParallelEncoder::submitSlideshow(const SlideshowMaker::Plan &plan, const QString &output,
    std::function<void(const QString &reason)> failed)
{
    flush();
    auto job = std::make_unique<Job>();
    job->index = static_cast<int>(m_all.size());
    job->movie = true;
    job->output = QFileInfo(output).absoluteFilePath();
    job->failed = std::move(failed);
    job->frames = plan.frames;
    const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
    job->make = [plan, target, output = job->output](
                    const std::function<void(const QString &)> &log, const ToolJob::CancelCheck &interrupt) {
        return SlideshowMaker::make(plan, target, output, log, interrupt);
    };
    job->head = { QStringLiteral("-----"), QLatin1String("Slideshow = ") + native(job->output) };
    enqueue(std::move(job));
}

void ParallelEncoder::enqueue(std::unique_ptr<Job> job)
{
    Job *raw = job.get();
    const bool cancelled = m_cancel.isRaised();
    {
        std::lock_guard lock(m_mutex);
        m_all.push_back(std::move(job));
        if (cancelled)
            raw->done = true; // never started: no block, nothing made
        else
            m_queue.push_back(raw);
    }
    if (cancelled) {
        if (!m_failed)
            stopAll();
        cleanUp(*raw);
        return;
    }
    m_wake.notify_one();

    // Keep the walk at most one round of stills ahead of the encoders.
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (static_cast<int>(m_queue.size()) < m_jobs)
                break;
        }
        waitABit();
    }
}

void ParallelEncoder::waitABit()
{
    QCoreApplication::processEvents();
    if (m_cancel.isRaised() && !m_failed)
        stopAll(); // the user cancelled
    flush();
    std::unique_lock lock(m_mutex);
    m_doneSignal.wait_for(lock, std::chrono::milliseconds(20));
}

bool ParallelEncoder::finish()
{
    for (;;) {
        bool allDone = true;
        {
            std::lock_guard lock(m_mutex);
            for (const auto &job : m_all)
                allDone = allDone && job->done;
        }
        if (allDone)
            break;
        waitABit();
    }
    if (m_cancel.isRaised() && !m_failed)
        stopAll();
    flush();
    for (const auto &job : m_all)
        if (job->stopped || !job->started)
            cleanUp(*job);
    // Where a serial build leaves the process after its last still.
    if (!m_all.empty())
        QDir::setCurrent(m_home);
    return !m_failed && !m_cancel.isRaised();
}

void ParallelEncoder::cleanUp(const Job &job)
{
    if (job.movie) {
        QFile::remove(MovieConverter::partOf(job.output));
        QFile::remove(job.output);
        for (const QString &frame : job.frames)
            QFile::remove(frame);
        return;
    }
    // A still that was stopped, or never started, leaves no ".mpg" a later
    // build could reuse, and nothing else: only a failed still keeps its
    // JPEG for inspection.
    QFile::remove(job.stream);
    QFile::remove(job.stem + QLatin1String(".mpg"));
    QFile::remove(StillEncoder::partOf(job.stem + QLatin1String(".mpg")));
    QFile::remove(job.stem + QLatin1String(".jpx"));
}

void ParallelEncoder::flush()
{
    for (;;) {
        Job *job = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_flushed >= m_all.size() || !m_all[m_flushed]->done)
                return;
            job = m_all[m_flushed].get();
            ++m_flushed;
        }
        if (!job->started)
            continue;
        StillEncoder::writeLogBlock(job->head);
        StillEncoder::writeLogBlock(job->lines);
        if (job->movie) {
            if (!job->reason.isEmpty()) {
                StillEncoder::writeLogBlock({ QLatin1String("ERROR: ") + job->reason });
                if (job->failed)
                    job->failed(job->reason);
            }
            StillEncoder::writeLogBlock({ QStringLiteral("------") });
            continue;
        }
        StillEncoder::writeLogBlock(
            { QLatin1String("enddir = ") + native(m_home), QStringLiteral("------") });
        if (job->failText != 0 && !m_failed) {
            // The first failure in walk order is the one told, once.
            m_failed = true;
            m_prompter.inform(
                localText(TextId::TitleCreateVcd), StillEncoder::failureText(job->failText, job->stem));
            m_cancel.raise();
        }
    }
}

void ParallelEncoder::worker()
{
    for (;;) {
        Job *job = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            job = m_queue.front();
            m_queue.pop_front();
        }
        if (!stopping(*job)) {
            job->started = true;
            if (job->movie)
                convert(*job);
            else
                encode(*job);
        } else {
            job->stopped = true;
        }
        {
            std::lock_guard lock(m_mutex);
            job->done = true;
        }
        m_doneSignal.notify_all();
    }
}

void ParallelEncoder::encode(Job &job)
{
    StillEncoder::StepHooks hooks;
    hooks.log = [&job](const QString &line) { job.lines.append(line); };
    hooks.interrupt = [this, &job] { return stopping(job); };
    hooks.skip = hooks.interrupt;
    switch (StillEncoder::encodeSteps(job.stem, job.stem, m_settings.vcd, m_tools, m_workFolder, hooks)) {
    case StillEncoder::Steps::Made:
        break;
    case StillEncoder::Steps::Stopped:
        // What it left is cleared by finish.
        job.stopped = true;
        break;
    case StillEncoder::Steps::EncoderFailed:
        job.failText = TextId::MsgTempFilesFailed;
        noteFailure(job.index);
        break;
    case StillEncoder::Steps::MultiplexerFailed:
        job.failText = TextId::MsgMpgFilesFailed;
        noteFailure(job.index);
        break;
    }
}

void ParallelEncoder::convert(Job &job)
{
    const MovieConverter::Target target { m_settings.vcd, m_settings.ntsc };
    const auto log = [&job](const QString &piece) { job.lines.append(piece); };
    const auto interrupt = [this, &job] { return stopping(job); };
    const MovieConverter::Outcome outcome = job.make
        ? job.make(log, interrupt)
        : MovieConverter::convert(job.info, target, job.source, job.output, log, interrupt);
    // The frames served this slideshow only; a later one renders its own.
    for (const QString &frame : std::as_const(job.frames))
        QFile::remove(frame);
    switch (outcome.end) {
    case MovieConverter::End::Made:
        break;
    case MovieConverter::End::Stopped:
        job.stopped = true;
        break;
    case MovieConverter::End::Failed:
        // Not a failure of the build: the rest goes on.
        job.reason = outcome.reason;
        break;
    }
}

void ParallelEncoder::noteFailure(int index)
{
    // Stills after the failing one stop; earlier ones run to their end, as
    // a serial build would have made them.
    int current = m_stopAfter.load();
    while (index < current && !m_stopAfter.compare_exchange_weak(current, index)) { }
}
