#include "browser/ThumbnailWorkers.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <new>

#include <QCoreApplication>

#include "raster/VellumError.h"

namespace vellum {

namespace {

// Every worker thread of the program. Never destroyed: workers may end after the statics.
struct TRegistry {
    std::mutex Mutex;
    std::condition_variable Ended;
    int Running = 0;
};

TRegistry& Registry()
{
    static auto* registry = new TRegistry;
    return *registry;
}

void WaitAtExit()
{
    TThumbnailWorkers::WaitForAll();
}

} // namespace

TThumbnailWorkers::TThumbnailWorkers(std::vector<QString> paths, int boxWidth, int boxHeight, TThumbnailMode mode,
                                     int threadCount, std::function<void()> onFinished, bool background)
    : m_state(std::make_shared<TState>())
{
    m_state->Paths = std::move(paths);
    m_state->BoxWidth = boxWidth;
    m_state->BoxHeight = boxHeight;
    m_state->Mode = mode;
    m_state->OnFinished = std::move(onFinished);
    m_state->Background = background;
    m_state->Results.resize(m_state->Paths.size());
    m_state->Done.assign(m_state->Paths.size(), false);
    const int count = std::min<int>(threadCount > 0 ? threadCount : DefaultThreadCount(), int(m_state->Paths.size()));
    static std::once_flag registered;
    std::call_once(registered, [] {
        // Before the application object and the statics are gone.
        qAddPostRoutine(WaitAtExit);
        std::atexit(WaitAtExit);
    });
    TRegistry& registry = Registry();
    for (int i = 0; i < count; ++i) {
        {
            const std::lock_guard<std::mutex> lock(registry.Mutex);
            ++registry.Running;
        }
        try {
            m_threads.emplace_back([state = m_state]() mutable {
                Work(state);
                state.reset(); // the last use of what the set shares
                TRegistry& registry = Registry();
                const std::lock_guard<std::mutex> lock(registry.Mutex);
                --registry.Running;
                registry.Ended.notify_all();
            });
        } catch (...) {
            const std::lock_guard<std::mutex> lock(registry.Mutex);
            --registry.Running;
            Cancel();
            throw;
        }
    }
}

int TThumbnailWorkers::Running()
{
    TRegistry& registry = Registry();
    const std::lock_guard<std::mutex> lock(registry.Mutex);
    return registry.Running;
}

bool TThumbnailWorkers::WaitForAll(int timeoutMs)
{
    TRegistry& registry = Registry();
    std::unique_lock<std::mutex> lock(registry.Mutex);
    auto none = [&] { return registry.Running == 0; };
    if (timeoutMs < 0) {
        registry.Ended.wait(lock, none);
        return true;
    }
    return registry.Ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), none);
}

TThumbnailWorkers::~TThumbnailWorkers()
{
    Cancel();
}

std::size_t TThumbnailWorkers::Count() const
{
    return m_state->Paths.size();
}

int TThumbnailWorkers::DefaultThreadCount()
{
    return std::max(1, int(std::thread::hardware_concurrency()));
}

void TThumbnailWorkers::Work(const std::shared_ptr<TState>& state)
{
    // Linux keeps a nice value per thread: only this worker yields.
    if (state->Background)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
    for (;;) {
        if (state->Cancelled)
            return;
        const std::size_t index = state->Next.fetch_add(1);
        if (index >= state->Paths.size())
            return;
        TResult result;
        try {
            result.Thumbnail = MakeThumbnail(state->Paths[index], state->BoxWidth, state->BoxHeight, state->Mode);
            result.Ok = true;
        } catch (const VellumException& e) {
            result.Message = e.message();
        } catch (const std::bad_alloc&) {
            result.Message = QStringLiteral("Out of memory");
        } catch (const std::exception& e) {
            result.Message = QString::fromUtf8(e.what());
        }
        {
            const std::lock_guard<std::mutex> lock(state->Mutex);
            state->Results[index] = std::move(result);
            state->Done[index] = true;
        }
        state->Changed.notify_all();
        // The owner may be gone once cancelled: no call after that.
        const std::lock_guard<std::mutex> callback(state->Callback);
        if (!state->Cancelled && state->OnFinished)
            state->OnFinished();
    }
}

bool TThumbnailWorkers::IsReady(std::size_t index) const
{
    const std::lock_guard<std::mutex> lock(m_state->Mutex);
    return index < m_state->Done.size() && m_state->Done[index] && m_state->Results[index].has_value();
}

std::optional<TThumbnailWorkers::TResult> TThumbnailWorkers::Take(std::size_t index, bool wait)
{
    TState& state = *m_state;
    std::unique_lock<std::mutex> lock(state.Mutex);
    if (index >= state.Done.size())
        return std::nullopt;
    if (wait && !state.Cancelled)
        state.Changed.wait(lock, [&] { return bool(state.Done[index]) || state.Cancelled; });
    if (!state.Done[index] || !state.Results[index])
        return std::nullopt;
    std::optional<TResult> result = std::move(state.Results[index]);
    state.Results[index].reset();
    return result;
}

void TThumbnailWorkers::Cancel()
{
    {
        const std::lock_guard<std::mutex> callback(m_state->Callback);
        m_state->Cancelled = true;
    }
    {
        // Under the lock, so that a waiting Take sees the change.
        const std::lock_guard<std::mutex> lock(m_state->Mutex);
    }
    m_state->Changed.notify_all();
    // The workers finish the thumbnail in hand on their own and end; they keep the state.
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.detach();
}

} // namespace vellum
