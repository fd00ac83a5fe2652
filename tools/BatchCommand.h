#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "raster/Colour.h"
#include "raster/VellumError.h"

class QTextStream;

#include "raster/EffectsBitmap.h"

namespace vellum {

class TPictureSelection;

namespace batch {

// A command line that does not follow the grammar (exit status 2).
class EBatchUsage : public VellumException {
public:
    using VellumException::VellumException;
};

// The picture of one run and the floating selection kept between its operations, as a
// picture document keeps one.
struct TBatchSession {
    TBatchSession();
    ~TBatchSession();
    TEffectsBitmap Picture;
    std::unique_ptr<TPictureSelection> Selection;
    // Draws the selection back into the picture and frees it; nothing without one.
    void CommitSelection();
    // What a save writes: the picture with the selection merged in.
    [[nodiscard]] TXBitmap Merged() const;
};

// One operation of vellum-batch: `name` or `name=a,b,...` on the command line. Apply gets the
// 24-bit picture and the arguments (between MinArguments and MaxArguments of them) and raises
// EBatchUsage for an argument it cannot read. While a selection floats, ApplyToSelection (when
// given) acts on it instead; otherwise the selection is committed first, unless KeepsSelection.
// Selection operations work on the whole session instead (ApplyToSession).
struct TBatchOperation {
    QString Name;
    QString Arguments; // for --help, e.g. "colour,tolerance"
    QString Help;
    int MinArguments = 0;
    int MaxArguments = 0;
    std::function<void(TXBitmap&, const QStringList&)> Apply;
    std::function<void(TPictureSelection&, const QStringList&)> ApplyToSelection = {};
    bool KeepsSelection = false;
    std::function<void(TBatchSession&, const QStringList&)> ApplyToSession = {};
    // When given, saves the result of the operation on a 24-bit picture with pixels straight
    // to a BMP file, the same bytes as Apply and a save, without holding the result whole.
    // Returns the milliseconds spent on the operation itself.
    std::function<double(const TXBitmap&, const QStringList&, const QString& fileName)> SaveAsBmp = {};
    // When given, the same from the input file itself, read as the rows are needed so it is
    // never held whole either; nullopt (nothing written) when the file's content does not allow
    // that. The times spent reading and on the operation.
    std::function<std::optional<TStreamedTimes>(const QString& input, const QStringList&, const QString& fileName)>
        SaveFileAsBmp = {};
};

// The floating-selection operations, listed after the picture operations.
[[nodiscard]] std::vector<TBatchOperation> SelectionOperations();


// The operation table, in the order --help lists it. Operations are added here.
[[nodiscard]] const std::vector<TBatchOperation>& Operations();

struct TBatchStep {
    const TBatchOperation* Operation = nullptr;
    QStringList Arguments;
};

// Runs one step on the session by the rules above.
void ApplyStep(TBatchSession& session, const TBatchStep& step);

struct TBatchRequest {
    bool Timing = false;
    bool Help = false;
    QString Input;
    QString Output;
    std::vector<TBatchStep> Steps;
};

// Whether RunBatch streams the request's result into its output (see SaveAsBmp) for a loaded
// picture: one operation that can, a BMP output, a 24-bit picture with pixels.
[[nodiscard]] bool StreamsToOutput(const TBatchRequest& request, const TXBitmap& picture);
// Whether RunBatch first tries to stream the result from the input file (see SaveFileAsBmp):
// one operation that can, a BMP output.
[[nodiscard]] bool StreamsFromInput(const TBatchRequest& request);

// Parses the arguments after the program name.
[[nodiscard]] TBatchRequest ParseCommandLine(const QStringList& arguments);

// Argument readers for operations: a colour is the decimal colour value (red in the low byte)
// or #RRGGBB; numbers are decimal.
[[nodiscard]] TColor ParseColour(const QString& text);
[[nodiscard]] int ParseInteger(const QString& text, int minimum, int maximum);

[[nodiscard]] QString UsageText();

// Runs vellum-batch; messages go to err. Returns the exit status: 0, 1 for a failure, 2 for a
// usage error.
int RunBatch(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace batch
} // namespace vellum
