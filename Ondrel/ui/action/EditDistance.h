#pragma once

#include <QString>
#include <QStringList>

// How far an edited name is from the suggestion it started from.
namespace EditDistance {

// The text split into user-perceived characters (extended grapheme clusters), each in
// its canonical composed form (NFC), so "e" + a combining accent equals "é".
QStringList characters(const QString &text);

// The unit-cost edit distance (insertion, deletion, substitution) over characters().
int levenshtein(const QString &a, const QString &b);

// The size class of an edit sent with the edited-name event: 0 for no change, 1 for 1–3
// characters, 2 for 4–10, 3 for 11 or more.
int bucket(int distance);

} // namespace EditDistance
