// The picture document's adjustments: effects shown first as a preview that can be cancelled,
// then committed with one undo step.

#include <cstring>

#include "document/VLPicChildWn.h"

namespace vellum {

// --- kept pixels and the preview state -------------------------------------------------------

void TPictureBytes::Store(const TXBitmap* picture)
{
    if (picture == nullptr || picture->Empty()) {
        Release();
        return;
    }
    // Made aside: a failed allocation leaves what was kept.
    TXBitmap copy;
    copy.AssignOpaque(*picture);
    m_pixels = std::move(copy);
}

bool TPictureBytes::RestoreInto(TXBitmap& picture) const
{
    if (Empty())
        return false;
    const int width = m_pixels.Width();
    const int height = m_pixels.Height();
    const bool resized = picture.Width() != width || picture.Height() != height;
    if (resized || picture.PixelFormat() != TPixelFormat::pf24bit)
        picture.AllocateUninitialised(width, height, TPixelFormat::pf24bit);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y)
        std::memcpy(picture.ScanLine(y), m_pixels.ScanLine(y), rowBytes);
    return resized;
}

bool TPictureBytes::MoveInto(TXBitmap& picture)
{
    if (Empty())
        return false;
    const bool resized = picture.Width() != m_pixels.Width() || picture.Height() != m_pixels.Height();
    picture.AssignOpaque(std::move(m_pixels));
    Release();
    return resized;
}

void TPictureBytes::Release()
{
    m_pixels = TXBitmap();
}

void TPicturePreview::SetActive(bool active)
{
    m_active = active;
    if (!active) {
        Bitmap.Release();
        Selection.reset();
    }
}

QString PackRGB(int red, int green, int blue)
{
    return QString::asprintf("%.3d%.3d%.3d", red, green, blue);
}

// --- the protocol ------------------------------------------------------------------------------

TChangeSet TVLPicChildWin::putBackPreview(bool keepCopy)
{
    if (m_selection && m_preview.Selection) {
        const QRect before = m_selection->Bounds;
        m_selection->Assign(m_preview.Selection.get());
        m_view->RepaintRect(before.united(m_selection->Bounds), 0);
        return chgSelContent;
    }
    if (m_preview.Bitmap.Empty())
        return 0;
    const bool resized = keepCopy ? m_preview.Bitmap.RestoreInto(Picture()) : m_preview.Bitmap.MoveInto(Picture());
    m_view->Repaint();
    if (!resized)
        return chgPicture;
    BestFit();
    return chgPicture | chgViewSize | chgPicSize;
}

void TVLPicChildWin::StartPreview()
{
    if (m_preview.Active()) {
        putBackPreview(true);
    } else if (m_selection) {
        // Without its copy a preview could be neither cancelled nor undone: the failure ends
        // the operation before anything changes.
        auto copy = std::make_unique<TPictureSelection>(m_selection->Parent);
        copy->Assign(m_selection.get());
        m_preview.Selection = std::move(copy);
        m_preview.SetActive(true);
    } else {
        TPictureBytes bytes;
        bytes.Store(&Picture());
        m_preview.Bitmap = std::move(bytes);
        m_preview.SetActive(true);
    }
    // Set by the caller once the effect is in place.
    m_preview.Param.reset();
}

void TVLPicChildWin::CancelPreview()
{
    if (!m_preview.Active())
        return;
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    try {
        // The copy is not needed afterwards: its block goes back without a copy.
        changes = putBackPreview(false);
    } catch (...) {
        m_view->EndUpdate();
        throw;
    }
    m_view->EndUpdate();
    m_preview.SetActive(false);
    NotifyChange(changes, false);
}

bool TVLPicChildWin::ApplyAdjustment(TAdjustMode mode, const TPreviewParam& param)
{
    if (mode == TAdjustMode::Preview) {
        if (m_preview.Active() && m_preview.Param == param)
            return true;
        StartPreview();
        return false;
    }
    if (!m_preview.Active()) {
        TVLUndoEdit edit = undoableEdit();
        recordPictureAndSelection();
        return false;
    }
    const bool applied = m_preview.Param == param;
    TChangeSet restored = 0;
    if (!applied)
        restored = putBackPreview(true);
    {
        // The undo step takes over the state saved before the first preview.
        TVLUndoEdit edit = undoableEdit();
        auto& action = AddUndoAction<TVLPicGenUndoAction>();
        action.StoreSelection(m_preview.Selection.get());
        action.TakeBitmap(std::move(m_preview.Bitmap));
    }
    m_preview.SetActive(false);
    NotifyChange(restored, false);
    return applied;
}

template <typename OnSelection, typename OnPicture>
void TVLPicChildWin::adjust(TAdjustMode mode, const TPreviewParam& param, bool effective, bool resizesPicture,
                            OnSelection&& onSelection, OnPicture&& onPicture)
{
    const bool preview = mode == TAdjustMode::Preview;
    // A commit of what the preview shows changes no pixel: the view needs no new paint.
    const bool shown = !preview && m_preview.Active() && m_preview.Param == param;
    BeginWait();
    if (!shown)
        m_view->BeginUpdate();
    TChangeSet changes = 0;
    auto finish = [&] {
        if (!shown)
            m_view->EndUpdate();
        NotifyChange(changes, !preview);
        EndWait();
    };
    try {
        const bool applied = ApplyAdjustment(mode, param);
        const TChangeSet done = m_selection ? TChangeSet(chgSelContent)
                                            : TChangeSet(resizesPicture ? chgPicture | chgViewSize | chgPicSize : chgPicture);
        if (applied) {
            if (!preview && effective)
                changes = done;
        } else if (preview || effective) {
            // Set first: an effect that fails part-way has still changed pixels.
            changes = done;
            if (m_selection) {
                const QRect before = m_selection->Bounds;
                onSelection(*m_selection);
                m_view->RepaintRect(before.united(m_selection->Bounds), 0);
            } else {
                onPicture(Picture());
                if (resizesPicture)
                    BestFit();
            }
            if (preview)
                m_preview.Param = param;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TVLPicChildWin::Rotate(int angle, TColor background, TAdjustMode mode)
{
    // Every angle stands for one of 0 to 359; a whole turn changes nothing.
    angle = ((angle % 360) + 360) % 360;
    adjust(mode, TPreviewParam(angle), angle > 0, true, [&](TPictureSelection& s) { s.Rotate(angle); },
           [&](TEffectsBitmap& p) { p.Rotate(angle, background); });
}

void TVLPicChildWin::Brighten(int amount, TAdjustMode mode)
{
    adjust(mode, TPreviewParam(amount), amount != 0, false, [&](TPictureSelection& s) { s.Brighten(amount); },
           [&](TEffectsBitmap& p) { p.Brighten(amount); });
}

void TVLPicChildWin::GammaCorrect(double gamma, TAdjustMode mode)
{
    adjust(mode, TPreviewParam(gamma), gamma != 1.0, false, [&](TPictureSelection& s) { s.GammaCorrect(gamma); },
           [&](TEffectsBitmap& p) { p.GammaCorrect(gamma); });
}

void TVLPicChildWin::Blur(double amount, TAdjustMode mode)
{
    adjust(mode, TPreviewParam(amount), amount > 0, false, [&](TPictureSelection& s) { s.Blur(amount); },
           [&](TEffectsBitmap& p) { p.Blur(amount); });
}

void TVLPicChildWin::AdjustRGB(int red, int green, TAdjustMode mode, int blue)
{
    adjust(mode, TPreviewParam(PackRGB(red, green, blue)), red != 0 || green != 0 || blue != 0, false,
           [&](TPictureSelection& s) { s.AdjustRGB(red, green, blue); },
           [&](TEffectsBitmap& p) { p.AdjustRGB(red, green, blue); });
}

} // namespace vellum
