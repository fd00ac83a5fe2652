#pragma once

// The separable windowed-sinc filter of TEffectsBitmap::Resample, in single precision:
// contributor lists per destination column or row, and the two passes over them.
#include <cstdint>
#include <functional>
#include <vector>

namespace vellum {

class TXBitmap;

// sinc(x) * sinc(x / 5) for |x| < 5, else 0 (a Lanczos window with support 5).
[[nodiscard]] float ResampleFilter(float x);

// The contributors of every destination index, flattened: destination i reads source indices
// Index[k] with weights Weight[k] for k from Start[i] to Start[i + 1] - 1, in that order.
struct TResampleContributors {
    std::vector<int> Start;
    std::vector<int> Index;
    std::vector<float> Weight;

    [[nodiscard]] int Count(int i) const { return Start[static_cast<std::size_t>(i) + 1] - Start[static_cast<std::size_t>(i)]; }
};

// Contributors for scaling a line of sourceSize pixels to destSize (both above 0). Indices
// beyond the ends are mirrored and then clamped into the source, so a short source never
// reads outside. A destination of 1 from a longer source centres on the source's middle with
// the reducing support of scale 1 / sourceSize. Weights are not normalised. step() follows
// each destination index.
[[nodiscard]] TResampleContributors ResampleContributors(int sourceSize, int destSize,
                                                         const std::function<void()>& step = {});

// Horizontal pass: work (24-bit, columns.Start.size() - 1 wide, source's height) from the
// 24-bit source, one step per source row.
void ResampleRows(const TXBitmap& source, TXBitmap& work, const TResampleContributors& columns,
                  const std::function<void()>& step);
// Vertical pass: result (24-bit, work's width, rows.Start.size() - 1 high) from work; steps
// steps spread over the rows (the picture reports one per destination column).
void ResampleColumns(const TXBitmap& work, TXBitmap& result, const TResampleContributors& rows,
                     const std::function<void()>& step, int steps);

} // namespace vellum
