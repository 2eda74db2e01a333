#pragma once

#include <QString>

#include <optional>

// Tells the next start that this run ended in a crash, and how. install() opens an empty
// "crash-marker" in the data folder and keeps it open; a fatal signal or an uncaught C++
// exception writes its name into it ("SIGSEGV", "CppException" followed by "SIGABRT", …)
// and the process then ends as it would have without the handlers. A normal end writes
// nothing, so an empty marker means a clean end.
namespace CrashMarker {

// "crash-marker" in MarovelPaths::appSupport().
QString markerPath();

// The text a crash left at `path`: its bytes as strict UTF-8 when the file exists and is
// neither empty nor invalid, else nothing. The file is deleted in every case (a failure
// to delete is ignored).
std::optional<QString> consumePendingCrash(const QString &path);

// Arms the marker for this run: reports a marker still pending (clientCrash), creates the
// data folder, opens the marker (write-only, created, truncated, close-on-exec, 0600)
// and installs the handlers for SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGTRAP and SIGFPE (on
// an alternate stack, so a stack overflow is recorded too) and for std::terminate. When
// the marker cannot be opened nothing is installed and false is returned. A second call
// does nothing.
bool install();

} // namespace CrashMarker
