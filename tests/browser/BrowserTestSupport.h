#pragma once

#include "FileItem.h"
#include "LoopbackHttp.h"

#include <QList>
#include <QString>
#include <QStringList>

class PaneState;

namespace BrowserTest {

using Loopback::waitFor;

// A folder below the test's root with the given files (empty unless a size is given) and
// sub-folders (names ending in "/").
QString makeTree(const QString &relative, const QStringList &entries);
void makeFile(const QString &path, qint64 size = 0);

// Waits until every background listing, watch and move has finished and its result has
// been delivered on the GUI thread.
void settle();

// The names of a list of items, in order.
QStringList names(const QList<FileItem> &items);

// A synthetic listed item in `folder`.
FileItem item(const QString &name, bool isDir = false, qint64 size = 0,
              const QDateTime &created = FileItem::distantPast(), const QString &kind = {},
              const QStringList &tags = {}, const QString &folder = QStringLiteral("/tmp/x"));

} // namespace BrowserTest
