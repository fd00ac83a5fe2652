#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include <QString>

#include "selection/PicSelection.h"

namespace vellum {

class TXBitmap;

// A picture's pixels kept row after row without padding: what an undo step or a preview holds,
// exactly the picture's bytes. Moving one hands the block over without a copy.
class TPictureBytes {
public:
    // Keeps the (24-bit) pixels of the picture; none or an empty picture keeps nothing. A failed
    // allocation raises and leaves what was kept before.
    void Store(const TXBitmap* picture);
    // Puts the kept pixels back into the picture (24-bit); true when that changed its size.
    // Nothing when nothing is kept.
    bool RestoreInto(TXBitmap& picture) const;
    void Release();

    [[nodiscard]] bool Empty() const { return m_width == 0; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }

private:
    std::vector<std::uint8_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
};

// The parameter of the effect last previewed: an angle or amount, a factor, or the three RGB
// percents packed into one text.
using TPreviewParam = std::variant<int, double, QString>;

// Whether an adjustment only shows its effect in the document (it can still be cancelled) or
// applies it for good (with its undo step).
enum class TAdjustMode : bool { Commit, Preview };

// The state kept while an adjustment dialog previews an effect in the document: a copy of what
// the effect changes (the floating selection, or else the picture) and the previewed parameter.
class TPicturePreview {
public:
    [[nodiscard]] bool Active() const { return m_active; }
    // Becoming inactive frees both copies.
    void SetActive(bool active);

    TPictureBytes Bitmap;
    std::unique_ptr<TPictureSelection> Selection;
    TPreviewParam Param;

private:
    bool m_active = false;
};

// The text that stands for three RGB percents, "%.3d" each.
[[nodiscard]] QString PackRGB(int red, int green, int blue);

} // namespace vellum
