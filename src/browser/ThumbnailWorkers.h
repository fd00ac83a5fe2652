#pragma once

// Makes the thumbnails of a list of files on worker threads (one per core by default). Results
// are taken by index on the owner's thread, so the owner applies them in its own order and
// the outcome never depends on the number of workers.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QString>

#include "browser/Thumbnail.h"

namespace vellum {

class TThumbnailWorkers {
public:
    struct TResult {
        bool Ok = false;
        TThumbnail Thumbnail;
        QString Message; // why there is no thumbnail
    };

    // onFinished runs on a worker thread after each result is ready (may be empty). With
    // background the workers run at a lower priority, so a waiting user interface stays
    // responsive on a busy machine.
    TThumbnailWorkers(std::vector<QString> paths, int boxWidth, int boxHeight, TThumbnailMode mode, int threadCount,
                      std::function<void()> onFinished, bool background = false);
    // Cancels and joins.
    ~TThumbnailWorkers();
    TThumbnailWorkers(const TThumbnailWorkers&) = delete;
    TThumbnailWorkers& operator=(const TThumbnailWorkers&) = delete;

    [[nodiscard]] std::size_t Count() const { return m_paths.size(); }
    [[nodiscard]] bool IsReady(std::size_t index) const;
    // The result of file index, waiting for it when wait is set; no value when it is not
    // ready (or was cancelled before it started). Each result is taken once.
    [[nodiscard]] std::optional<TResult> Take(std::size_t index, bool wait);
    // No further file is started; those being made are finished. Joins the workers.
    void Cancel();

    // The number of workers for threadCount 0: one per core.
    [[nodiscard]] static int DefaultThreadCount();

private:
    void Work();

    std::vector<QString> m_paths;
    int m_boxWidth;
    int m_boxHeight;
    TThumbnailMode m_mode;
    std::function<void()> m_onFinished;
    bool m_background = false;
    std::mutex m_largePicture;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::optional<TResult>> m_results;
    std::vector<bool> m_done;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_cancelled{false};
    std::vector<std::thread> m_threads;
};

} // namespace vellum
