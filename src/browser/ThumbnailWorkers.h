#pragma once

// Makes the thumbnails of a list of files on worker threads (one per core by default). Results
// are taken by index on the owner's thread, so the owner applies them in its own order and
// the outcome never depends on the number of workers.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
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

    // onFinished runs on a worker thread after each result is ready (may be empty); never
    // once Cancel has returned. With background the workers run at a lower priority, so a
    // waiting user interface stays responsive on a busy machine.
    TThumbnailWorkers(std::vector<QString> paths, int boxWidth, int boxHeight, TThumbnailMode mode, int threadCount,
                      std::function<void()> onFinished, bool background = false);
    // Cancels.
    ~TThumbnailWorkers();
    TThumbnailWorkers(const TThumbnailWorkers&) = delete;
    TThumbnailWorkers& operator=(const TThumbnailWorkers&) = delete;

    [[nodiscard]] std::size_t Count() const;
    [[nodiscard]] bool IsReady(std::size_t index) const;
    // The result of file index, waiting for it when wait is set; no value when it is not
    // ready (or was cancelled before it was ready). Each result is taken once.
    [[nodiscard]] std::optional<TResult> Take(std::size_t index, bool wait);
    // No further file is started and returns at once: a thumbnail being made is finished by
    // its worker in the background and dropped.
    void Cancel();

    // The workers of every set, cancelled or not, that have not ended yet.
    [[nodiscard]] static int Running();
    // Waits until Running is 0, at most timeoutMs (negative: as long as it takes); whether it
    // is. The program waits so before it ends, so no worker outlives what it uses.
    static bool WaitForAll(int timeoutMs = -1);

    // The number of workers for threadCount 0: one per core.
    [[nodiscard]] static int DefaultThreadCount();

private:
    // Shared with the workers, which may outlive this object after a cancel.
    struct TState {
        std::vector<QString> Paths;
        int BoxWidth = 0;
        int BoxHeight = 0;
        TThumbnailMode Mode = TThumbnailMode::Reduced;
        std::function<void()> OnFinished;
        bool Background = false;
        std::mutex Mutex;
        std::condition_variable Changed;
        std::vector<std::optional<TResult>> Results;
        std::vector<bool> Done;
        std::atomic<std::size_t> Next{0};
        std::atomic<bool> Cancelled{false};
        // Held while OnFinished runs and while cancelling.
        std::mutex Callback;
    };
    static void Work(const std::shared_ptr<TState>& state);

    std::shared_ptr<TState> m_state;
    std::vector<std::thread> m_threads;
};

} // namespace vellum
