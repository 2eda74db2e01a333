#pragma once

#include "FileItem.h"
#include "SortKey.h"

#include <QList>

class NameCollator;

// The order of a pane's items. Under every key but the date, folders come before files
// whatever the direction. Then the key decides (size, kind text, creation date), then the
// name in the interface's name order (digits by value, case ignored), then the raw names,
// so two names that differ only in case still have a fixed order. Descending is the same
// test with its arguments swapped, so the order stays strict in both directions.
//
// Sort keys of the names are made once per item, not once per comparison. Safe on any
// thread with a collator of that thread.
namespace ItemOrder {

// Whether `a` comes before `b`. For single comparisons; sort() is the fast way for lists.
bool lessThan(const FileItem &a, const FileItem &b, SortKey key, bool ascending,
              const NameCollator &collator);

// Sorts stably in place.
void sort(QList<FileItem> &items, SortKey key, bool ascending, const NameCollator &collator);
// The same with a collator of the interface language made for this call.
void sort(QList<FileItem> &items, SortKey key, bool ascending);

} // namespace ItemOrder
