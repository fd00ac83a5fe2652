#include "browser/ThumbnailWorkers.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <new>

#include "raster/VellumError.h"

namespace vellum {

TThumbnailWorkers::TThumbnailWorkers(std::vector<QString> paths, int boxWidth, int boxHeight, TThumbnailMode mode,
                                     int threadCount, std::function<void()> onFinished, bool background)
    : m_paths(std::move(paths)), m_boxWidth(boxWidth), m_boxHeight(boxHeight), m_mode(mode),
      m_onFinished(std::move(onFinished)), m_background(background), m_results(m_paths.size()), m_done(m_paths.size(), false)
{
    const int count = std::min<int>(threadCount > 0 ? threadCount : DefaultThreadCount(), int(m_paths.size()));
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back([this] { Work(); });
}

TThumbnailWorkers::~TThumbnailWorkers()
{
    Cancel();
}

int TThumbnailWorkers::DefaultThreadCount()
{
    return std::max(1, int(std::thread::hardware_concurrency()));
}

void TThumbnailWorkers::Work()
{
    // Linux keeps a nice value per thread: only this worker yields.
    if (m_background)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
    for (;;) {
        if (m_cancelled)
            return;
        const std::size_t index = m_next.fetch_add(1);
        if (index >= m_paths.size())
            return;
        TResult result;
        try {
            result.Thumbnail = MakeThumbnail(m_paths[index], m_boxWidth, m_boxHeight, m_mode, &m_largePicture);
            result.Ok = true;
        } catch (const VellumException& e) {
            result.Message = e.message();
        } catch (const std::bad_alloc&) {
            result.Message = QStringLiteral("Out of memory");
        } catch (const std::exception& e) {
            result.Message = QString::fromUtf8(e.what());
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_results[index] = std::move(result);
            m_done[index] = true;
        }
        m_changed.notify_all();
        if (m_onFinished)
            m_onFinished();
    }
}

bool TThumbnailWorkers::IsReady(std::size_t index) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return index < m_done.size() && m_done[index] && m_results[index].has_value();
}

std::optional<TThumbnailWorkers::TResult> TThumbnailWorkers::Take(std::size_t index, bool wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (index >= m_done.size())
        return std::nullopt;
    if (wait && !m_cancelled)
        m_changed.wait(lock, [&] { return bool(m_done[index]); });
    if (!m_done[index] || !m_results[index])
        return std::nullopt;
    std::optional<TResult> result = std::move(m_results[index]);
    m_results[index].reset();
    return result;
}

void TThumbnailWorkers::Cancel()
{
    m_cancelled = true;
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
}

} // namespace vellum
