#include "raster/ColourQuantizer.h"

#include <algorithm>
#include <thread>

#include "raster/XBitmap.h"

namespace vellum {

namespace {

constexpr int kCellBits = 6;
constexpr int kCells = 1 << (3 * kCellBits);
constexpr int kOctreeColours = 236;

int CellOf(int r, int g, int b)
{
    return ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
}

// Per 6-bit-a-channel cell: how many pixels fall in it and the sums of their exact channels,
// so a cell's colour is the mean of its pixels. Rows are split between two threads.
struct Histogram {
    std::vector<std::uint32_t> count = std::vector<std::uint32_t>(kCells, 0);
    std::vector<std::uint64_t> sum = std::vector<std::uint64_t>(std::size_t(kCells) * 3, 0);

    void Add(const TXBitmap& picture, int firstRow, int endRow)
    {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* p = picture.ScanLine(y);
            for (int x = 0; x < picture.Width(); ++x, p += 3) {
                const std::size_t cell = std::size_t(CellOf(p[2], p[1], p[0]));
                ++count[cell];
                sum[3 * cell] += p[2];
                sum[3 * cell + 1] += p[1];
                sum[3 * cell + 2] += p[0];
            }
        }
    }
};

Histogram MakeHistogram(const TXBitmap& picture)
{
    Histogram histogram;
    Histogram second;
    const int middle = picture.Height() / 2;
    std::thread helper([&] { second.Add(picture, middle, picture.Height()); });
    histogram.Add(picture, 0, middle);
    helper.join();
    for (std::size_t i = 0; i < histogram.count.size(); ++i)
        histogram.count[i] += second.count[i];
    for (std::size_t i = 0; i < histogram.sum.size(); ++i)
        histogram.sum[i] += second.sum[i];
    return histogram;
}

struct OctreeNode {
    std::uint64_t count = 0;
    std::uint64_t sum[3] = {0, 0, 0}; // red, green, blue, weighted by count
    std::int32_t child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int level = 0;
    bool leaf = false;
};

} // namespace

const std::array<TColor, 20>& StaticPaletteColours()
{
    static const std::array<TColor, 20> colours = {
        RGBColor(0, 0, 0), RGBColor(128, 0, 0), RGBColor(0, 128, 0), RGBColor(128, 128, 0),
        RGBColor(0, 0, 128), RGBColor(128, 0, 128), RGBColor(0, 128, 128), RGBColor(192, 192, 192),
        RGBColor(192, 220, 192), RGBColor(166, 202, 240),
        RGBColor(255, 251, 240), RGBColor(160, 160, 164), RGBColor(128, 128, 128), RGBColor(255, 0, 0),
        RGBColor(0, 255, 0), RGBColor(255, 255, 0), RGBColor(0, 0, 255), RGBColor(255, 0, 255),
        RGBColor(0, 255, 255), RGBColor(255, 255, 255),
    };
    return colours;
}

TPalette256 BuildOctreePalette(const TXBitmap& picture)
{
    TPalette256 palette{};
    palette.fill(clBlack);
    const auto& statics = StaticPaletteColours();
    for (int i = 0; i < 10; ++i) {
        palette[std::size_t(i)] = statics[std::size_t(i)];
        palette[std::size_t(246 + i)] = statics[std::size_t(10 + i)];
    }
    if (picture.Empty())
        return palette;

    const Histogram histogram = MakeHistogram(picture);
    std::vector<OctreeNode> nodes(1);
    std::vector<std::vector<std::int32_t>> levels(kCellBits);
    levels[0].push_back(0);
    std::int64_t leaves = 0;
    for (int cell = 0; cell < kCells; ++cell) {
        const std::uint32_t weight = histogram.count[std::size_t(cell)];
        if (weight == 0)
            continue;
        // The cell's bits choose the path; its pixels' sums are what the nodes accumulate.
        const int rgb[3] = {(cell >> 12) << 2, ((cell >> 6) & 63) << 2, (cell & 63) << 2};
        const std::uint64_t* sums = &histogram.sum[3 * std::size_t(cell)];
        std::int32_t node = 0;
        for (int level = 0;; ++level) {
            OctreeNode& n = nodes[std::size_t(node)];
            n.count += weight;
            for (int c = 0; c < 3; ++c)
                n.sum[c] += sums[c];
            if (level == kCellBits)
                break;
            const int bit = 7 - level;
            const int index = (((rgb[0] >> bit) & 1) << 2) | (((rgb[1] >> bit) & 1) << 1) | ((rgb[2] >> bit) & 1);
            std::int32_t next = nodes[std::size_t(node)].child[index];
            if (next < 0) {
                next = std::int32_t(nodes.size());
                nodes[std::size_t(node)].child[index] = next;
                OctreeNode created;
                created.level = level + 1;
                created.leaf = level + 1 == kCellBits;
                nodes.push_back(created);
                if (created.leaf)
                    ++leaves;
                else
                    levels[std::size_t(level + 1)].push_back(next);
            }
            node = next;
        }
    }

    // Fold the least used nodes of the deepest level into leaves until few enough are left.
    for (int level = kCellBits - 1; level >= 0 && leaves > kOctreeColours; --level) {
        auto& candidates = levels[std::size_t(level)];
        std::stable_sort(candidates.begin(), candidates.end(), [&nodes](std::int32_t a, std::int32_t b) {
            return nodes[std::size_t(a)].count < nodes[std::size_t(b)].count;
        });
        for (std::int32_t id : candidates) {
            if (leaves <= kOctreeColours)
                break;
            OctreeNode& n = nodes[std::size_t(id)];
            int children = 0;
            for (std::int32_t& c : n.child) {
                if (c >= 0)
                    ++children;
                c = -1;
            }
            n.leaf = true;
            leaves -= children - 1;
        }
    }

    // The leaves reachable from the root, in tree order.
    int next = 10;
    std::vector<std::int32_t> stack{0};
    while (!stack.empty()) {
        const OctreeNode& n = nodes[std::size_t(stack.back())];
        stack.pop_back();
        if (n.leaf) {
            if (next < 10 + kOctreeColours && n.count > 0) {
                const std::uint64_t half = n.count / 2;
                palette[std::size_t(next++)] = RGBColor(int((n.sum[0] + half) / n.count), int((n.sum[1] + half) / n.count),
                                                        int((n.sum[2] + half) / n.count));
            }
            continue;
        }
        for (int i = 7; i >= 0; --i)
            if (n.child[i] >= 0)
                stack.push_back(n.child[i]);
    }
    return palette;
}

namespace {

std::size_t SlotOf(std::uint32_t key)
{
    return (key * 2654435761u) >> 22; // 10 bits
}

} // namespace

std::optional<TPalette256> ExactPalette(const TXBitmap& picture)
{
    // The distinct colours, as colour + 1 in a small open-addressing set; a photograph shows
    // more than 256 of them within its first rows, so this gives up early.
    std::array<std::uint32_t, 1024> set{};
    std::vector<TColor> colours;
    std::uint32_t last = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x, p += 3) {
            const std::uint32_t key = std::uint32_t(ColourOfPixel(p)) + 1;
            if (key == last)
                continue;
            last = key;
            std::size_t slot = SlotOf(key);
            while (set[slot] != 0 && set[slot] != key)
                slot = (slot + 1) & 1023;
            if (set[slot] == key)
                continue;
            if (colours.size() == 256)
                return std::nullopt;
            set[slot] = key;
            colours.push_back(TColor(key - 1));
        }
    }
    TPalette256 palette{};
    palette.fill(clBlack);
    const auto& statics = StaticPaletteColours();
    for (int i = 0; i < 10; ++i) {
        palette[std::size_t(i)] = statics[std::size_t(i)];
        palette[std::size_t(246 + i)] = statics[std::size_t(10 + i)];
    }
    std::size_t next = 10;
    for (TColor c : colours) {
        if (std::find(statics.begin(), statics.end(), c) != statics.end())
            continue;
        if (next == 246)
            return std::nullopt;
        palette[next++] = c;
    }
    return palette;
}

TExactColourMapper::TExactColourMapper(const TPalette256& palette)
{
    // Later entries first, so a colour listed twice maps to its first entry.
    for (int i = 255; i >= 0; --i) {
        const std::uint32_t key = std::uint32_t(palette[std::size_t(i)] & 0xFFFFFF) + 1;
        std::size_t slot = SlotOf(key);
        while (m_keys[slot] != 0 && m_keys[slot] != key)
            slot = (slot + 1) & 1023;
        m_keys[slot] = key;
        m_indices[slot] = std::uint8_t(i);
    }
}

void TExactColourMapper::MapRow(const std::uint8_t* bgr, std::uint8_t* indices, int width) const
{
    for (int x = 0; x < width; ++x, bgr += 3) {
        const std::uint32_t key = std::uint32_t(ColourOfPixel(bgr)) + 1;
        std::size_t slot = SlotOf(key);
        while (m_keys[slot] != key && m_keys[slot] != 0)
            slot = (slot + 1) & 1023;
        indices[x] = m_indices[slot]; // every colour is present by construction
    }
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(const TPalette256& palette, int width)
    : m_palette(palette)
    , m_width(width)
    , m_current(std::size_t(width + 2) * 3, 0)
    , m_next(std::size_t(width + 2) * 3, 0)
    , m_cache(kCells, -1)
{
    for (int i = 0; i < 256; ++i)
        m_rgb[std::size_t(i)] = {GetRValue(palette[std::size_t(i)]), GetGValue(palette[std::size_t(i)]),
                                 GetBValue(palette[std::size_t(i)])};
}

int TFloydSteinbergDitherer::Nearest(int r, int g, int b)
{
    std::int16_t& cached = m_cache[std::size_t(CellOf(r, g, b))];
    if (cached < 0) {
        const int cr = (r & ~3) + 2, cg = (g & ~3) + 2, cb = (b & ~3) + 2;
        int best = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const auto& p = m_rgb[std::size_t(i)];
            const int dr = p[0] - cr, dg = p[1] - cg, db = p[2] - cb;
            best = std::min(best, ((dr * dr + dg * dg + db * db) << 8) | i);
        }
        cached = static_cast<std::int16_t>(best & 0xFF);
    }
    return cached;
}

void TFloydSteinbergDitherer::DitherRow(const std::uint8_t* bgr, std::uint8_t* indices)
{
    // Floyd-Steinberg weights in sixteenths: 7 to the right, 3 below left, 5 below, 1 below
    // right. The error for the right neighbour travels in `carry`; the next row's sums are
    // completed in registers (`belowLeft` for x - 1, `below` for x) and each stored once.
    const int* cur = m_current.data() + 3;
    int* nxt = m_next.data() + 3;
    int carry[3] = {0, 0, 0};
    int belowLeft[3] = {0, 0, 0};
    int below[3] = {0, 0, 0};
    for (int x = 0; x < m_width; ++x, bgr += 3) {
        const int r = std::clamp(bgr[2] + ((cur[3 * x] + carry[0] + 8) >> 4), 0, 255);
        const int g = std::clamp(bgr[1] + ((cur[3 * x + 1] + carry[1] + 8) >> 4), 0, 255);
        const int b = std::clamp(bgr[0] + ((cur[3 * x + 2] + carry[2] + 8) >> 4), 0, 255);
        const int index = Nearest(r, g, b);
        indices[x] = static_cast<std::uint8_t>(index);
        const auto& p = m_rgb[std::size_t(index)];
        const int e[3] = {r - p[0], g - p[1], b - p[2]};
        for (int c = 0; c < 3; ++c) {
            carry[c] = 7 * e[c];
            nxt[3 * (x - 1) + c] = belowLeft[c] + 3 * e[c];
            belowLeft[c] = below[c] + 5 * e[c];
            below[c] = e[c];
        }
    }
    for (int c = 0; c < 3; ++c) {
        nxt[3 * (m_width - 1) + c] = belowLeft[c];
        nxt[3 * m_width + c] = 0;
    }
    std::swap(m_current, m_next);
}

} // namespace vellum
