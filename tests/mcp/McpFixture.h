#pragma once

#include "Workspace.h"

#include <QMap>
#include <QString>

// A small authorised workspace with a folder next to it that no client may see:
//
//   ws/                      registered workspace "ws"
//     docs/report.txt        "hello"
//     docs/.hidden
//     photos/                empty
//     notes.md               "# notes\n"
//     escape -> outside/inner           (a folder link leading out)
//     secret-link -> outside/MARKER.txt (a file link leading out)
//   outside/MARKER.txt       1000 bytes
//   outside/inner/MARKER-inner.txt
//
// Every item, links included, is dated 2026-06-26T08:30:00Z.
struct McpFixture
{
    McpFixture();

    QString root;
    QString ws;
    QString outside;
    Workspace workspace;

    static constexpr const char *date = "2026-06-26T08:30:00Z";

    // Every path below `folder` with its type, size and modification time, links not
    // followed: equal snapshots mean nothing was created, changed, moved or removed.
    static QMap<QString, QString> snapshot(const QString &folder);
};
