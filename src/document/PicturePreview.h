#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include <QString>

#include "raster/XBitmap.h"
#include "selection/PicSelection.h"

namespace vellum {

// A picture's pixels kept aside, 24-bit: what an undo step or a preview holds, the picture's
// own bytes in its own row layout. Moving one, or moving it back into a picture, hands the
// block over without a copy.
class TPictureBytes {
public:
    // Keeps the (24-bit) pixels of the picture; none or an empty picture keeps nothing. A failed
    // allocation raises and leaves what was kept before.
    void Store(const TXBitmap* picture);
    // Copies the kept pixels back into the picture (24-bit) and keeps them; true when that
    // changed its size. Nothing when nothing is kept.
    bool RestoreInto(TXBitmap& picture) const;
    // The same, handing the kept block to the picture: nothing is kept afterwards.
    bool MoveInto(TXBitmap& picture);
    void Release();

    [[nodiscard]] bool Empty() const { return m_pixels.Empty(); }
    [[nodiscard]] int Width() const { return m_pixels.Width(); }
    [[nodiscard]] int Height() const { return m_pixels.Height(); }

private:
    TXBitmap m_pixels;
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
    // The parameter whose effect the document shows; none until the effect has succeeded (a
    // failed effect counts as not shown).
    std::optional<TPreviewParam> Param;

private:
    bool m_active = false;
};

// The text that stands for three RGB percents, "%.3d" each.
[[nodiscard]] QString PackRGB(int red, int green, int blue);

} // namespace vellum
