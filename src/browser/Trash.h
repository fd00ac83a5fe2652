#pragma once

// The desktop's trash, kept by our own hand: the toolkit's trash has been seen to report
// success while filing the file under "files/" and "info/" of the working folder when the
// user's data folder had no Trash yet. No widgets.
#include <QString>

namespace vellum {

struct TTrashResult {
    bool Done = false;
    // Done: where the trash keeps the file now. Else why nothing was moved.
    QString TrashedPath;
    QString Reason;
};

// Moves the file, folder or link at path (a link itself, never its target) into a trash:
// the home trash "$XDG_DATA_HOME/Trash" (default "~/.local/share/Trash"), made when missing,
// when it is on the file's file system; else the trash at the top of the file's own volume
// (".Trash/UID" when an administrator prepared it, else ".Trash-UID"). The file gets a name
// unique in the trash and a ".trashinfo" record with its old place and the deletion time, and
// is found where the trash keeps it before Done is reported. When no trash takes it, the file
// stays where it was.
[[nodiscard]] TTrashResult MoveToTrash(const QString& path);

// The home trash folder the rules above name (it may not exist yet).
[[nodiscard]] QString HomeTrashFolder();

} // namespace vellum
