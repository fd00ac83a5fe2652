#pragma once

#include <QByteArray>
#include <QStringList>

class QTextStream;

namespace vellum::batch {

// vellum-batch --browse: opens a folder's picture database as the browser does, sorts it if
// asked, lists it and leaves the folder. Returns the exit status.
int RunBrowse(const QStringList& arguments, QTextStream& out, QTextStream& err);

// A file name for one line of output: backslash, tab, newline and other control bytes (and the
// bytes of a name that is no UTF-8) escaped as \\, \t, \n and \xHH.
[[nodiscard]] QString EscapedName(const QByteArray& name);

} // namespace vellum::batch
