#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace vellum {

// Runs work(first, last) over the rows [0, rows) in blocks, on the calling thread and one
// helper thread when the job is large enough, and reports progress from the calling thread
// only, in order: after each of its blocks it calls step() once for every step earned by the
// rows completed so far without a gap. steps (default: one per row) is spread evenly over the
// rows, so a pass whose steps are columns still reports exactly that many. Every step is
// reported by the time RunRowBands returns. work must not throw.
template <typename Work>
void RunRowBands(int rows, std::int64_t bytesPerRow, Work&& work, const std::function<void()>& step, int steps = -1)
{
    if (steps < 0)
        steps = rows;
    int sent = 0;
    auto report = [&](int doneRows) {
        const int due = rows == 0 ? steps : static_cast<int>(static_cast<std::int64_t>(steps) * doneRows / rows);
        for (; sent < due; ++sent)
            if (step)
                step();
    };

    // Small jobs stay on this thread: a thread costs more than it saves there.
    constexpr std::int64_t MinParallelBytes = 1 << 20;
    // The processor count is read once: the library asks the system every time.
    static const bool manyCores = std::thread::hardware_concurrency() > 1;
    const bool parallel = bytesPerRow * rows >= MinParallelBytes && manyCores;
    if (!parallel) {
        for (int y = 0; y < rows; ++y) {
            work(y, y + 1);
            report(y + 1);
        }
        report(rows);
        return;
    }

    constexpr int BlockRows = 16;
    const int blocks = (rows + BlockRows - 1) / BlockRows;
    std::atomic<int> next{0};
    std::vector<std::atomic<std::uint8_t>> done(static_cast<std::size_t>(blocks));
    auto runBlock = [&](int block) {
        const int first = block * BlockRows;
        work(first, std::min(rows, first + BlockRows));
        done[static_cast<std::size_t>(block)].store(1, std::memory_order_release);
    };
    std::thread helper([&] {
        for (int block; (block = next.fetch_add(1)) < blocks;)
            runBlock(block);
    });
    int frontier = 0; // blocks completed without a gap
    for (int block; (block = next.fetch_add(1)) < blocks;) {
        runBlock(block);
        while (frontier < blocks && done[static_cast<std::size_t>(frontier)].load(std::memory_order_acquire))
            ++frontier;
        report(std::min(rows, frontier * BlockRows));
    }
    helper.join();
    report(rows);
}

} // namespace vellum
