#pragma once

#include <QString>
#include <QStringList>

// The sample folder and files of the first-run demo: a fresh folder in the temporary
// directory and four small documents with meaningless names (an invoice, a paper, a
// payment receipt, a travel ticket), in the interface language's set (English for "en",
// Chinese otherwise). Nothing here reports an error: a failed write leaves a path to a
// missing file, which the demo treats like any unreadable file.
namespace SampleGen {
// A new, empty folder "Marovel Sample-XXXXXXXX" ("Marovel 示例-…") in the temporary
// directory.
QString makeDir();
// Writes the four files into `dir`; their paths, always four, in the set's order.
QStringList fill(const QString &dir);
// `text` as a one-page PDF named `name` in `dir`; when no PDF can be written there, the
// same text as "<base name>.txt". The path of whichever was written.
QString pdf(const QString &dir, const QString &name, const QString &text);
} // namespace SampleGen
