#pragma once

#include "FileItem.h"

class BrowserState;
class QMenu;
class QWidget;

// The right-click menu of a cell of the icon grid, for the window's active pane. Entries
// that act on "the selection" first make the clicked item the selection unless it is
// selected already; they then take every selected item in listing order. Every entry
// calls an operation of the window model, which reports in the status line.
namespace FileContextMenu {

// The archive extensions (the last one, lower case) that offer extraction.
bool isArchive(const QString &path);

// Builds the menu for `item` as it is now (pins, applications, tags read at this call).
// The caller owns the menu; entries have object names for tests.
QMenu *build(BrowserState &state, const FileItem &item, QWidget *parent);

} // namespace FileContextMenu
