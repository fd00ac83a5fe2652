#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "raster/PenMask.h"
#include "raster/XBitmap.h"

namespace vellum {

class TBool2DArray;

// The offset that brightness and RGB balance add for a percentage: percent * 2.55 + 0.5
// truncated, evaluated exactly: 50 gives 128, -1 gives -2, -100 gives -254.
[[nodiscard]] constexpr int BrightnessOffset(int percent)
{
    return static_cast<int>((255LL * percent + 50) / 100);
}

// The blur's trimmed kernel: Weights[n + Size] is the weight of tap n, -Size <= n <= Size,
// each a 32-bit float widened to double.
struct TBlurKernel {
    int Size = 0;
    std::vector<double> Weights;
    // Every product of a weight and a channel (or the sum of two channels) and every partial sum
    // of such products is exact in double precision, so the order of the sums cannot change a
    // result and taps n and -n may share one multiplication.
    bool ExactInAnyOrder = false;
};
[[nodiscard]] TBlurKernel MakeBlurKernel(double radius);

// A pixel's three channels in the order the rows store them.
struct TPixelTriple {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
};
[[nodiscard]] constexpr TPixelTriple PixelTriple(TColor colour)
{
    return {static_cast<std::uint8_t>(GetBValue(colour)), static_cast<std::uint8_t>(GetGValue(colour)),
            static_cast<std::uint8_t>(GetRValue(colour))};
}

// The picture every document, floating selection and preview works on: a TXBitmap with colour
// effects, geometry operations, flood fill, pen stamping and progress notifications. Every operation converts the picture to
// 24 bits first. A mask marks with true the pixels an operation leaves alone; a mask smaller
// than the picture raises its index error before any pixel changes.
class TEffectsBitmap : public TXBitmap {
public:
    using TProgressBeginEvent = std::function<void(TEffectsBitmap* sender, int steps)>;
    using TProgressEvent = std::function<void(TEffectsBitmap* sender)>;

    using TXBitmap::TXBitmap;
    TEffectsBitmap() = default;
    // Takes over the picture's pixels.
    explicit TEffectsBitmap(TXBitmap&& picture) : TXBitmap(std::move(picture)) {}

    // The stamping pen's shape, or none (then every stamp is a full square).
    std::optional<TPenMaskArray> PenMask;
    // What the solid stamp paints and the replace stamp looks for.
    TPixelTriple PenColour;
    // What the replace stamp paints.
    TPixelTriple SecondColour;

    // Sent once when a long operation starts, after each step (normally a row or a column) and
    // once when it ends; operations that return early send none.
    TProgressBeginEvent OnProgressBegin;
    TProgressEvent OnProgressStep;
    TProgressEvent OnProgressEnd;

    // Grey of (blue + green + red) div 3 in every channel.
    void GreyScale(const TBool2DArray* mask = nullptr);
    // 255 minus each channel; twice restores the picture exactly.
    void Negative(const TBool2DArray* mask = nullptr);
    // Adds BrightnessOffset(percent) to every channel, limited to 0 to 255; 0 returns at once.
    void Brighten(int percent, const TBool2DArray* mask = nullptr);
    // Adds each channel's own offset; no early return.
    void AdjustRGB(int redPercent, int greenPercent, int bluePercent, const TBool2DArray* mask = nullptr);
    // Channel i becomes round(255 * (i / 255) ^ (1 / factor)); factor 1.0 returns at once,
    // factor <= 0 turns the picture black.
    void GammaCorrect(double factor, const TBool2DArray* mask = nullptr);
    // Separable Gaussian blur with the trimmed kernel of MakeBlurKernel; edges repeat the border
    // pixel; a masked pixel neither changes nor lends its colour. Each pass rounds its sums to
    // the nearest integer, so a flat area keeps its colour. Radius <= 0 returns at once.
    void Blur(double radius, const TBool2DArray* mask = nullptr);
    // Every pixel within tolerance of from becomes to.
    void ReplaceColour(TColor from, TColor to, int tolerance);

    // Paints the 4-connected region of pixels within tolerance of the seed pixel's colour that
    // contains (x, y), which must lie inside the picture. Tolerance 0 with the seed's own colour
    // changes nothing. Failures raise EXBitmapError "FloodFill Error. " + the cause.
    void FloodFill(int x, int y, int tolerance, TColor fill);

    // --- geometry (pictures of another size are built aside and then taken over) ---

    // Upside down. Steps: Height div 2, one per swapped pair of rows.
    void Flip();
    // Left to right. Steps: Height, one per row.
    void Mirror();
    // Clockwise by angle degrees, normalised to 0 to 359 first (0 does nothing): a quarter turn,
    // then a nearest-neighbour fine rotation by the rest onto a larger picture whose corners are
    // background. Failures raise EXBitmapError "Rotate Error. " + the cause; the picture keeps
    // its content when the failure comes before a take-over.
    void Rotate(int angle, TColor background);
    // Nearest-neighbour scaling; nothing unless both sizes are above 0 and the picture has
    // pixels. Failures raise EXBitmapError "Resizing Error. " + the cause, picture unchanged.
    void Resize(int newWidth, int newHeight);
    // Separable windowed-sinc scaling (support 5) in single precision; nothing when the size is
    // unchanged or the picture is empty. Failures raise EXBitmapError "Resampling Error. " +
    // the cause, picture unchanged.
    void Resample(int newWidth, int newHeight);
    // A canvas of the new size filled with fill, the old picture drawn at the top-left corner
    // or centred (and clipped). Nothing when the size is unchanged.
    void EnlargeCanvas(int newWidth, int newHeight, bool centre, TColor fill);

    // --- pen stamping (coordinates in picture space, possibly outside; stamps are clipped) ---

    // With a shape picture, loads PenMask from it (converting the picture to 24 bits); with
    // none, drops PenMask.
    void SetPenShape(TXBitmap* shape);
    // The canvas pen colour and PenColour.
    void SetPenColour(TColor colour);
    void SetSecondColour(TColor colour);
    void ClearToColour(TColor colour);
    // Stamps of the canvas pen's width along the segment: paint PenColour.
    void PenStroke(int x0, int y0, int x1, int y1);
    // Pixels within tolerance of PenColour become SecondColour.
    void ReplaceStroke(int x0, int y0, int x1, int y1, int tolerance);
    // Each pixel moves towards its 3 x 3 average by opacity percent (0 to 100), in place.
    void SmudgeStroke(int x0, int y0, int x1, int y1, int opacity);
    // Random dots of PenColour darkened by up to diffusion - 1 per channel, drawn from
    // ProgramRandom(); opacity (0 to 100) raises the chance of each pixel.
    void SprayStroke(int x0, int y0, int x1, int y1, int opacity, int diffusion);

private:
    class ProgressScope;
    template <typename Rule>
    void stampSegment(int x0, int y0, int x1, int y1, Rule&& rule);
    void quarterTurn(int quarter);
    void fineRotation(int degrees, TColor background);
    // Runs rowOp on whole rows without a mask, pixelOp on each unmasked pixel with one.
    template <typename RowOp, typename PixelOp>
    void pointEffect(const TBool2DArray* mask, RowOp rowOp, PixelOp pixelOp);
    // The same with the row made of pixelOp on each pixel.
    template <typename PixelOp>
    void pixelEffect(const TBool2DArray* mask, PixelOp pixelOp);
    void lookupEffect(const std::uint8_t* blue, const std::uint8_t* green, const std::uint8_t* red,
                      const TBool2DArray* mask);
    void blurMasked(const TBlurKernel& kernel, const TBool2DArray& mask);
    void blurUnmasked(const TBlurKernel& kernel);
    void step();
};

// The nearest-neighbour rule of TEffectsBitmap::Resize from a 24-bit source of sourceWidth x
// sourceHeight, one destination row at a time. Raises EInvalidGraphic for a size beyond the
// picture limits.
class TNearestRows {
public:
    TNearestRows(int sourceWidth, int sourceHeight, int newWidth, int newHeight);
    // The source row that destination row y repeats; rising with y.
    [[nodiscard]] int SourceRow(int y) const;
    // A destination row of the source row in (SourceRow of it): exactly 3 * newWidth bytes at out.
    void Row(const std::uint8_t* in, std::uint8_t* out) const;

private:
    int m_sourceHeight;
    int m_width;
    double m_ry = 1;
    std::vector<int> m_columns;
    int m_wide = 0;
};

class TBmpRowReader;

// The BMP file that Resize followed by SavePicture would write, computed a band of rows at a
// time while the bands before are written, so the result is never held whole. picture must be
// 24-bit with pixels. Failures as Resize's ("Resizing Error. " + the cause, before the file is
// opened) and SavePicture's; an existing file stays as it was. Returns the milliseconds spent
// computing rows.
double SaveResizedBmp(const TXBitmap& picture, int newWidth, int newHeight, const QString& fileName);

// The same file from the picture that source's file would load as (made 24-bit), its rows read
// as the bands need them, so the source is never held whole either. Failures as above, and
// EReadError when the source file ends early. The times spent reading and computing rows.
struct TStreamedTimes {
    double ReadingMs = 0;
    double ComputingMs = 0;
};
TStreamedTimes SaveResizedBmp(TBmpRowReader& source, int newWidth, int newHeight, const QString& fileName);

// ReplaceColour for any picture, without progress notifications (the picture becomes 24-bit).
void ReplaceColour(TXBitmap& picture, TColor from, TColor to, int tolerance);

} // namespace vellum
