#pragma once

#include <QString>

// Process-wide note of paths the program itself has just created, moved, renamed or
// removed, so folder watchers can drop the events those changes cause instead of treating
// them as the user's. A noted path covers everything below it. Notes expire after a
// short while (window()). Thread-safe.
namespace OwnChanges {

void note(const QString &path);
// Whether `path`, or a folder above it, was noted within the window.
bool isOwn(const QString &path);

int window();                     // milliseconds
void setWindow(int milliseconds); // for tests and tuning; the default is 3000
void clear();

} // namespace OwnChanges
