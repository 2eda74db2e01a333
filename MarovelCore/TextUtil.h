#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// Small text and identifier helpers used across the program.
namespace TextUtil {

// Lengths and cuts of user-visible text count user-perceived characters (grapheme
// clusters), so an emoji or a letter with combining marks is one character.
qsizetype graphemeCount(const QString &text);
QString graphemePrefix(const QString &text, qsizetype count);
// graphemeCount(text) >= count, reading no more of a long text than it needs.
bool hasAtLeastGraphemes(const QString &text, qsizetype count);

// Whether two texts are canonically equivalent (equal after NFC normalisation).
bool canonicallyEqual(const QString &a, const QString &b);

// Upper-case 8-4-4-4-12 text without braces.
QString uuidText(const QUuid &uuid);
QString newUuidText();
// Whether `text` is UUID text of exactly that form, in either letter case.
bool isUuidText(const QString &text);

// Dates of the browser's files are seconds since 2001-01-01 00:00:00 UTC.
double secondsSince2001(const QDateTime &date);
QDateTime dateFromSecondsSince2001(double seconds);

} // namespace TextUtil
