#pragma once

#include <QString>

// The naming decision's own helpers that the scenario detector shares.
namespace Core {

// True when the text looks like a failed decoding: more than 2 % of its user-perceived
// characters are U+FFFD REPLACEMENT CHARACTER. An empty text is not garbled.
bool garbled(const QString &text);

// The file's own date as "yyyy-MM-dd" in local time: its creation (birth) time, else its
// modification time, else today (ScenarioDetector::today(), so tests can pin it).
QString fileDate(const QString &path);

} // namespace Core
