#pragma once

#include <QHash>
#include <QString>

// Which files a background writer is failing to write, and why, so that it reports each
// failure once rather than at every later write that fails the same way. A failure is
// news when the file was last written fine (or never) or fails for another reason; a
// successful write forgets the file, so its next failure is news again.
//
// Not locked: each writer notes its outcomes from its one serial worker.
class WriteFailures
{
public:
    // Notes the outcome of writing `path` (0 or an errno); true for a failure to report,
    // which is then logged with the path and the system's reason.
    bool note(const QString &path, int error);

private:
    QHash<QString, int> m_failing; // path → errno of its last, reported failure
};
