#pragma once

#include <QString>

// Where the core library's shared files lie. Every member is computed afresh on each call,
// so a change of MAROVEL_HOME takes effect at once.
namespace MarovelPaths {

// "Marovel" in the user's data folder ($XDG_DATA_HOME, default ~/.local/share). The
// browser's own files always lie here, whatever MAROVEL_HOME says.
QString appSupport();

// MAROVEL_HOME when set and not empty (taken literally: no tilde expansion, a relative
// value is relative to the current folder), else appSupport().
QString base();
QString roots();   // base + "/workspaces.json"
QString plans();   // base + "/plans"
QString journal(); // base + "/transactions.jsonl"

// Creates base()/plans with every missing parent; throws FileSystemError on failure.
void prepare();

} // namespace MarovelPaths
