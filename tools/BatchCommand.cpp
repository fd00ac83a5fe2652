#include "BatchCommand.h"

#include <chrono>

#include <QTextStream>

#include "BatchBrowse.h"
#include "raster/XBitmap.h"

namespace vellum::batch {

namespace {

const TBatchOperation* FindOperation(const QString& name)
{
    for (const TBatchOperation& op : Operations())
        if (op.Name == name)
            return &op;
    return nullptr;
}

TBatchStep ParseStep(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    const QString name = equals < 0 ? text : text.left(equals);
    const QStringList arguments = equals < 0 ? QStringList() : text.mid(equals + 1).split(u',');
    const TBatchOperation* op = FindOperation(name);
    if (!op)
        throw EBatchUsage(QStringLiteral("unknown operation \"%1\" (--help lists them)").arg(name));
    if (arguments.size() < op->MinArguments || arguments.size() > op->MaxArguments) {
        const QString expected = op->MinArguments == op->MaxArguments
            ? QString::number(op->MinArguments)
            : QStringLiteral("%1 to %2").arg(op->MinArguments).arg(op->MaxArguments);
        throw EBatchUsage(QStringLiteral("operation \"%1\" takes %2 arguments, not %3")
                              .arg(name, expected).arg(arguments.size()));
    }
    return TBatchStep{op, arguments};
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TBatchRequest ParseCommandLine(const QStringList& arguments)
{
    TBatchRequest request;
    QStringList positional;
    for (const QString& argument : arguments) {
        if (argument == u"--timing")
            request.Timing = true;
        else if (argument == u"--help" || argument == u"-h")
            request.Help = true;
        else if (argument.startsWith(u"--"))
            throw EBatchUsage(QStringLiteral("unknown option %1").arg(argument));
        else
            positional << argument;
    }
    if (request.Help)
        return request;
    if (positional.size() < 2)
        throw EBatchUsage(QStringLiteral("INPUT and OUTPUT are required"));
    request.Input = positional[0];
    request.Output = positional[1];
    for (qsizetype i = 2; i < positional.size(); ++i)
        request.Steps.push_back(ParseStep(positional[i]));
    return request;
}

namespace {

bool bmpOutput(const TBatchRequest& request)
{
    const QString ext = PictureExtension(request.Output);
    return ext.isEmpty() || ext == u"BMP";
}

} // namespace

bool StreamsToOutput(const TBatchRequest& request, const TXBitmap& picture)
{
    if (request.Steps.size() != 1 || !request.Steps.front().Operation->SaveAsBmp)
        return false;
    return bmpOutput(request) && picture.PixelFormat() == TPixelFormat::pf24bit && !picture.Empty();
}

bool StreamsFromInput(const TBatchRequest& request)
{
    return request.Steps.size() == 1 && request.Steps.front().Operation->SaveFileAsBmp && bmpOutput(request);
}

TColor ParseColour(const QString& text)
{
    bool ok = false;
    if (text.startsWith(u'#')) {
        const uint rgb = text.mid(1).toUInt(&ok, 16);
        if (ok && text.size() == 7)
            return RGBColor(int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF);
    } else {
        const qlonglong value = text.toLongLong(&ok, 10);
        if (ok && value >= 0 && value <= 0xFFFFFF)
            return TColor(value);
    }
    throw EBatchUsage(QStringLiteral("\"%1\" is not a colour (a decimal colour value or #RRGGBB)").arg(text));
}

int ParseInteger(const QString& text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        throw EBatchUsage(QStringLiteral("\"%1\" is not a whole number from %2 to %3").arg(text).arg(minimum).arg(maximum));
    return value;
}

QString UsageText()
{
    QString text = QStringLiteral(
        "usage: vellum-batch [--timing] INPUT OUTPUT [OPERATION ...]\n"
        "       vellum-batch [--timing] --browse DIR [--sort=name|date|type|size] [--descending]\n"
        "                    [--exact] [--threads=N]\n"
        "Loads INPUT (BMP, JPEG or GIF, recognised by content), converts it to 24 bits, applies\n"
        "the operations in order and saves OUTPUT in the format its extension names (.bmp or\n"
        "none, .jpg, .jpeg, .gif). An operation is NAME or NAME=A,B,...; colours are decimal\n"
        "colour values (red in the low byte) or #RRGGBB.\n"
        "  --timing  print load_ms=... ops_ms=... save_ms=... to stderr\n"
        "--browse opens DIR's picture database as the picture browser does (brought up to date,\n"
        "sorted if asked, saved) and lists it: INDEX, NAME, WxH, FILEDATE, TWxTH, BYTES.\n"
        "  --exact  make JPEG thumbnails from the full decode  --threads=N  workers (default: cores)\n"
        "operations:\n");
    if (Operations().empty())
        text += QStringLiteral("  (none)\n");
    for (const TBatchOperation& op : Operations()) {
        const QString call = op.Arguments.isEmpty() ? op.Name : op.Name + u'=' + op.Arguments;
        text += QStringLiteral("  %1  %2\n").arg(call, -24).arg(op.Help);
    }
    return text;
}

int RunBatch(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.contains(QStringLiteral("--browse")))
        return RunBrowse(arguments, out, err);
    TBatchRequest request;
    try {
        request = ParseCommandLine(arguments);
    } catch (const EBatchUsage& e) {
        err << "vellum-batch: " << e.message() << "\n" << UsageText();
        return 2;
    }
    if (request.Help) {
        out << UsageText();
        return 0;
    }
    try {
        auto start = std::chrono::steady_clock::now();
        if (StreamsFromInput(request)) {
            const TBatchStep& step = request.Steps.front();
            if (const auto times = step.Operation->SaveFileAsBmp(request.Input, step.Arguments, request.Output)) {
                if (request.Timing)
                    err << QStringLiteral("load_ms=%1 ops_ms=%2 save_ms=%3\n")
                               .arg(times->ReadingMs, 0, 'f', 1)
                               .arg(times->ComputingMs, 0, 'f', 1)
                               .arg(MillisecondsSince(start) - times->ReadingMs - times->ComputingMs, 0, 'f', 1);
                return 0;
            }
        }
        TBatchSession session;
        session.Picture.LoadPicture(request.Input);
        session.Picture.SetPixelFormat(TPixelFormat::pf24bit);
        const double loadMs = MillisecondsSince(start);

        double opsMs = 0;
        double saveMs = 0;
        if (StreamsToOutput(request, session.Picture)) {
            // The operation's time is the part of the save spent computing rows.
            const TBatchStep& step = request.Steps.front();
            start = std::chrono::steady_clock::now();
            opsMs = step.Operation->SaveAsBmp(session.Picture, step.Arguments, request.Output);
            saveMs = MillisecondsSince(start) - opsMs;
        } else {
            start = std::chrono::steady_clock::now();
            for (const TBatchStep& step : request.Steps)
                ApplyStep(session, step);
            opsMs = MillisecondsSince(start);

            start = std::chrono::steady_clock::now();
            if (session.Selection)
                session.Merged().SavePicture(request.Output);
            else
                session.Picture.SavePicture(request.Output);
            saveMs = MillisecondsSince(start);
        }
        if (request.Timing)
            err << QStringLiteral("load_ms=%1 ops_ms=%2 save_ms=%3\n").arg(loadMs, 0, 'f', 1).arg(opsMs, 0, 'f', 1).arg(saveMs, 0, 'f', 1);
        return 0;
    } catch (const EBatchUsage& e) {
        err << "vellum-batch: " << e.message() << "\n";
        return 2;
    } catch (const VellumException& e) {
        err << "vellum-batch: " << e.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "vellum-batch: " << e.what() << "\n";
        return 1;
    }
}

} // namespace vellum::batch
