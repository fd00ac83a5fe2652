#include "BatchBrowse.h"

#include <chrono>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextStream>

#include "BatchCommand.h"
#include "browser/PicDB.h"
#include "raster/PictureCodecs.h"

namespace vellum::batch {

namespace {

struct TBrowseRequest {
    bool Timing = false;
    QString Directory;
    int SortKind = -1;
    bool Descending = false;
    bool Exact = false;
    int Threads = 0;
};

TBrowseRequest ParseBrowse(const QStringList& arguments)
{
    TBrowseRequest request;
    bool browse = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--timing") {
            request.Timing = true;
        } else if (argument == u"--browse") {
            if (browse || i + 1 >= arguments.size())
                throw EBatchUsage(QStringLiteral("--browse takes one folder"));
            browse = true;
            request.Directory = arguments[++i];
        } else if (argument.startsWith(u"--sort=")) {
            const QStringList kinds{QStringLiteral("name"), QStringLiteral("date"), QStringLiteral("type"), QStringLiteral("size")};
            request.SortKind = int(kinds.indexOf(argument.mid(7)));
            if (request.SortKind < 0)
                throw EBatchUsage(QStringLiteral("--sort takes name, date, type or size"));
        } else if (argument == u"--descending") {
            request.Descending = true;
        } else if (argument == u"--exact") {
            request.Exact = true;
        } else if (argument.startsWith(u"--threads=")) {
            request.Threads = ParseInteger(argument.mid(10), 1, 256);
        } else {
            throw EBatchUsage(QStringLiteral("unexpected argument %1 with --browse").arg(argument));
        }
    }
    if (request.Descending && request.SortKind < 0)
        throw EBatchUsage(QStringLiteral("--descending needs --sort"));
    return request;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

const char* OldFileText(TDatabaseFileState state)
{
    switch (state) {
    case TDatabaseFileState::None: return "none";
    case TDatabaseFileState::Current: return "current";
    case TDatabaseFileState::OldFormat: return "old-format";
    case TDatabaseFileState::Damaged: return "damaged";
    case TDatabaseFileState::Refused: return "refused";
    }
    return "none";
}

const char* SaveText(TSaveOutcome outcome)
{
    switch (outcome) {
    case TSaveOutcome::Written: return "written";
    case TSaveOutcome::Unchanged: return "unchanged";
    case TSaveOutcome::Deleted: return "deleted";
    case TSaveOutcome::Absent: return "absent";
    case TSaveOutcome::Refused: return "refused";
    case TSaveOutcome::Unwritable: return "unwritable";
    case TSaveOutcome::None: return "absent";
    }
    return "absent";
}

} // namespace

QString EscapedName(const QByteArray& name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(name);
    const bool utf8 = !decoder.hasError();
    QString text;
    if (utf8) {
        for (const QChar c : decoded) {
            if (c == u'\\')
                text += QStringLiteral("\\\\");
            else if (c == u'\t')
                text += QStringLiteral("\\t");
            else if (c == u'\n')
                text += QStringLiteral("\\n");
            else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                text += c;
        }
        return text;
    }
    for (const char byte : name) {
        const auto b = std::uint8_t(byte);
        if (b == '\\')
            text += QStringLiteral("\\\\");
        else if (b == '\t')
            text += QStringLiteral("\\t");
        else if (b == '\n')
            text += QStringLiteral("\\n");
        else if (b < 0x20 || b >= 0x7F)
            text += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(char(b));
    }
    return text;
}

int RunBrowse(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    TBrowseRequest request;
    try {
        request = ParseBrowse(arguments);
    } catch (const EBatchUsage& e) {
        err << "vellum-batch: " << e.message() << "\n" << UsageText();
        return 2;
    }
    const QFileInfo folder(request.Directory);
    if (!folder.isDir() || !folder.isReadable() || !QDir(request.Directory).exists()) {
        err << "vellum-batch: " << request.Directory << " is no readable folder\n";
        return 1;
    }
    try {
        auto start = std::chrono::steady_clock::now();
        TPictureDB database(110, 130, 8, RGBColor(0, 120, 215), clBlack, clWhite);
        database.SetFileTypes(QStringLiteral("bmp,jpg,jpeg,gif"));
        database.SetThreadCount(request.Threads);
        database.SetThumbnailMode(request.Exact ? TThumbnailMode::Exact : TThumbnailMode::Reduced);
        database.OpenDirectory(request.Directory);
        if (request.SortKind >= 0)
            database.Sort(request.SortKind, !request.Descending);
        const double browseMs = MillisecondsSince(start);

        const QByteArray& data = database.ThumbnailData();
        for (int i = 0; i < database.Count(); ++i) {
            const TFileRecord& entry = database.Record(i);
            int width = 0;
            int height = 0;
            if (entry.ThumbOffset >= 0 && std::int64_t(entry.ThumbOffset) + entry.ThumbSize <= data.size())
                (void)JpegFrameSize(reinterpret_cast<const std::uint8_t*>(data.constData()) + entry.ThumbOffset,
                                    entry.ThumbSize, width, height);
            out << i << '\t' << EscapedName(entry.Name) << '\t' << entry.Width << 'x' << entry.Height << '\t'
                << entry.FileDate << '\t' << width << 'x' << height << '\t' << entry.ThumbSize << '\n';
        }
        out.flush();
        const TOpenReport report = database.LastOpen();
        for (const auto& [name, message] : report.Skipped)
            err << "vellum-batch: skipped " << EscapedName(name) << ": " << message << '\n';
        const int count = database.Count();

        start = std::chrono::steady_clock::now();
        database.Clear(false);
        const double saveMs = MillisecondsSince(start);
        err << "old=" << OldFileText(report.OldFile) << " entries=" << count << " made=" << report.Made
            << " reused=" << report.Reused << " dropped=" << report.Dropped << " skipped=" << report.Skipped.size()
            << " file=" << SaveText(database.LastSave()) << '\n';
        if (request.Timing)
            err << QStringLiteral("browse_ms=%1 save_ms=%2\n").arg(browseMs, 0, 'f', 1).arg(saveMs, 0, 'f', 1);
        return database.LastSave() == TSaveOutcome::Unwritable ? 1 : 0;
    } catch (const VellumException& e) {
        err << "vellum-batch: " << e.message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "vellum-batch: " << e.what() << "\n";
        return 1;
    }
}

} // namespace vellum::batch
