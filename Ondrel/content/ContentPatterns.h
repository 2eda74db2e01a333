#pragma once

#include "Rx.h"

#include <QList>
#include <QString>
#include <QStringList>

// Every regular expression the content readers use, in one place. Fixed patterns are
// compiled once, on first use, and shared by all threads; patterns built around a
// caller's anchor word or tail go through Rx's cache.
//
// Several patterns are written so that a search stays linear on long input: a run that
// is followed by something it cannot contain is taken whole (an atomic group), and a
// search only starts where no earlier start in the same run could have matched (the
// start of a run of digits or blanks). They find exactly what the plain forms find; the
// tests compare both on generated texts.
//
// A new fixed pattern gets an Id and one row of the table in ContentPatterns.cpp; the
// tests then compile it and run it over long hostile text, and so does the benchmark.
namespace ContentPatterns {

enum class Id {
    // File names (isGenericName)
    genericCopyCounter,
    genericTrailingNumber,
    genericSeparatorRun,
    // Amounts: the labels of a total, most telling first, then a value at the start of a
    // cell, then any signed amount and any figure with a currency code
    totalLabelDue,
    totalLabelPlain,
    totalLabelAmount,
    totalLabelExcluded,
    totalLabelChinese,
    amountValue,
    amountSign,
    amountCode,
    // Totals of Chinese invoices, in the order invoiceTotal() tries them
    totalFigures,
    totalTicketPrice,
    totalTaxIncluded,
    // Currency
    cjkIdeograph,
    currencyYuan,
    currencyDollar,
    currencyEuro,
    currencyPound,
    // Organisation names
    orgLeadingLabel,
    orgAddressComma,
    orgWebAddress,
    orgDigitStart,
    orgTwoLetters,
    enOrgs,
    nameBeforeTaxNumber,
    nameAfterLabel,
    nameWithOrgWord,
    orgEmail,
    orgTaxNumber,
    orgLabelLatin,
    orgLabelChinese,
    letterheadName,
    buyerByRole,
    sellerByRole,
    institutionSentenceStart,
    institutionAddress,
    // Scenario detection: file names
    installerName,
    screenshotName,
    screenshotNameStrong,
    // Identity numbers: citizen number, passport number label, social security number
    idNumberCitizen,
    idNumberPassport,
    idNumberSocial,
    // Papers
    arxivId,
    doi,
    // Names and routes read by the scenario assembly
    invoiceItem,
    buyerRegion,
    routeCjk,
    routeAirport,
    routeLatinArrow,
    routeLatinFromTo,
    paperAffiliation,
    policyTitleLatin,
    policyTitleChinese,
    contractClauses,
    contractTitleBrackets,
    // A short label followed by a colon and a value ("合同编号：HT-01", "No.: 5")
    labelLine,
    // Money on a receipt or a statement
    moneyFigure,
    tillSubtotal,
    tillTotal,
    balanceWord,
    introductionHeading,
    // A label before a model's answer
    answerLabel,
    count
};

const Rx::Pattern &get(Id id);

// Keyword lists of the scenario detector matched as whole words, ignoring case. Entries are
// pattern fragments; a list is searched as one alternation between word boundaries.
enum class Words {
    idTitle,           // "Driver's License", "Passport"-like titles in English
    idField,           // "Date of Issue", "Surname", …
    invoice,           // "Bill To", "Invoice No", …
    receipt,           // "Receipt"
    payment,           // "Payment Received", "Charged", …
    statement,         // "Statement Period", "Closing Balance", …
    contractTitle,     // "Non-Disclosure Agreement", "NDA", …
    contractBody,      // "Whereas", "Governing Law", "Signature", …
    travel,            // "Flight", "Boarding Pass", "PNR", …
    paperKeywords,     // "Keywords", "Index Terms"
    contractTitleLine, // whole words that make a first line a contract title
    contractBinding,   // phrases only agreements use ("by and between", "Whereas", …)
    invoiceStrong,     // the invoice phrases that only invoices and receipts print
    paymentStrong,     // the payment phrases that only payment confirmations print
    count
};

const QStringList &words(Words list);
// The list as one compiled pattern, built once.
const Rx::Pattern &wordPattern(Words list);

// Date patterns; `prefix` is an anchor fragment followed by up to ten non-digits, or empty.
QString anchorPrefix(const QString &anchor);
QString isoDate(const QString &prefix);
QString monthNameDate(const QString &prefix);
QString numericDate(const QString &prefix);
QString yearMonth(const QString &anchor);
// Labels of dates that are never a document's own date: due, booked, printed, received,
// valid-until and expiry dates, dates of birth, the start of a period.
QString excludedDateLabels();
// What stands between the two dates of a period ("02/01/2024 - 02/29/2024", "1月至2月").
QString dateRangeSeparator();

// The name on the line after (or after the colon of) an anchor word.
QString lineAfterAnchor(const QString &anchor);
// An institution name ending in a tail word: alone on a line, and anywhere.
QString institutionOnLine(const QString &tail);
QString institutionAnywhere(const QString &tail);

// Labels before the buyer's and the seller's name on English invoices.
const QStringList &buyerAnchors();
const QStringList &sellerAnchors();
// Tails that end the names of banks, and of carriers and hotels.
QString bankTail();
QString travelTail();

// Group `group` of every match of a case-sensitive pattern that begins with a capitalised
// name word, "\b[A-Z][A-Za-z0-9&'’.-]*" followed by blanks or a comma (enOrgs,
// institutionAnywhere()): what Rx::allGroups() gives. From every start inside one run of
// name-word characters the first word reaches the same end of the run and the rest of the
// match is the same, so the search tries only the first start of each run; a plain search
// would read a run like "A.A.A.A…" once for each of its capitals.
QStringList capitalisedMatches(const Rx::Pattern &pattern, const QString &text, int group,
                               bool *hitLimit = nullptr);

struct Entry
{
    QString name;
    QString source;
    Rx::Options options = Rx::NoOptions;
    bool capitalisedStart = false; // searched with capitalisedMatches()
};

// The fixed patterns and the patterns built around the anchors and tails the readers use:
// what the tests compile and the benchmark runs.
QList<Entry> catalogue();

// Runs an entry over a text the way the readers search with it.
Rx::ScanResult scan(const Entry &entry, const QString &text);

} // namespace ContentPatterns
