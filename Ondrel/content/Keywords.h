#pragma once

#include <QString>
#include <QStringList>

// The one matcher of the detector's keyword lists and lookup tables. A keyword counts only
// as a word of its own:
// - a Latin keyword (any keyword with a Latin letter or digit) between word boundaries,
//   ignoring case, its spaces matching any run of white space: "Boarding" is not found in
//   "onboarding", nor "Paid" in "unpaid";
// - a Chinese keyword anywhere, except where it is the head of a longer label that means
//   something else: 交易流水 (a transaction history) is not found in 交易流水号 (a serial
//   number), nor 合同 in 合同编号, nor 支付成功 in 支付成功率.
namespace Keywords {

// Where the first occurrence that counts starts, or -1.
qsizetype indexIn(const QString &keyword, const QString &text);
bool contains(const QString &keyword, const QString &text);
// Whether any of the keywords occurs.
bool any(const QStringList &keywords, const QString &text);
// How many of the keywords occur.
int count(const QStringList &keywords, const QString &text);
// The first keyword of the list that occurs, or "".
QString first(const QStringList &keywords, const QString &text);

} // namespace Keywords
