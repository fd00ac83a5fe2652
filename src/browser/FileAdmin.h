#pragma once

// Copying, moving, renaming and trashing single picture files for the browser, with our own
// questions and error boxes, and the file-action message that tells document windows what
// changed. Questions and boxes go through replaceable prompts, so tests answer them.
#include <cstdint>
#include <functional>

#include <QEvent>
#include <QString>

class QObject;
class QWidget;

namespace vellum {

// What happened to one file; the directory ends in '/'.
struct TFileActionRecord {
    enum : std::uint8_t { faAdded = 0, faRemoved = 1, faRenamed = 2 };
    std::uint8_t Action = faAdded;
    QString Directory;
    QString FileName;
    QString NewFileName; // faRenamed only
};

// Message 1124: sent synchronously to every document window after a file operation succeeded.
// The record belongs to the sender and lives only during the call.
class TFileActionEvent : public QEvent {
public:
    static constexpr QEvent::Type FileActionType = static_cast<QEvent::Type>(1124);

    TFileActionEvent(const TFileActionRecord& record, const QObject* sender)
        : QEvent(FileActionType), Record(record), Sender(sender)
    {
    }
    const TFileActionRecord& Record;
    const QObject* Sender;
};

// How the file operations talk to the user. Ask returns true for Yes.
struct TFileAdminPrompts {
    std::function<bool(const QString& question)> Ask;
    std::function<void(const QString& message)> Error;
    // The folder chooser: true with folder replaced when one was chosen.
    std::function<bool(const QString& title, QString& folder)> ChooseFolder;
};

// The prompts in use (message boxes titled "Vellum" and the system's folder chooser unless
// replaced); replacing sets only the members that are not empty.
[[nodiscard]] const TFileAdminPrompts& FileAdminPrompts();
void SetFileAdminPrompts(const TFileAdminPrompts& prompts);
// Back to the boxes.
void ResetFileAdminPrompts();

// The title of every box and of the progress window.
inline constexpr char kFileAdminTitle[] = "Vellum";

// Each returns true only when the operation completed; failures have been reported to the
// user. Folders end in '/'. With confirm the user is asked before a file is replaced or
// trashed. A link at the destination of a copy or move is replaced itself, never written
// through; a copy keeps the source's permission bits and times.
bool ShellCopy(const QString& name, const QString& fromFolder, const QString& toFolder, bool confirm);
// A move to another file system copies, then removes the source; when the source cannot be
// removed the move fails with both files in place and copied (when given) is set.
bool ShellMove(const QString& name, const QString& fromFolder, const QString& toFolder, bool confirm,
               bool* copied = nullptr);
bool ShellRename(const QString& oldName, const QString& newName, const QString& folder, bool confirm);
bool ShellDelete(const QString& path, bool confirm);

// The folder chooser with a title, starting at folder when it exists.
bool SelectFolder(const QString& title, QString& folder);

// Both paths name one existing file (the same device and inode).
[[nodiscard]] bool IsSameFile(const QString& a, const QString& b);

} // namespace vellum
