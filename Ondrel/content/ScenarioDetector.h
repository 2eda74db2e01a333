#pragma once

#include "ScenarioMatch.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

// The rule-based reading of document text: the field finders (dates, amounts, parties,
// institutions), the text helpers that shape name parts, and the grounding check of
// language-model answers. Every function is pure apart from today's date and the
// interface language (taken from the environment below) and isCameraPhoto(), which reads
// the image file. All are safe to call from several threads at once.
namespace ScenarioDetector {

// ---------------------------------------------------------------------------------------
// Environment: where "today" and the interface language come from. By default the system
// clock and the shared localisation state; tests install their own for a scope.

struct Environment
{
    std::function<QDate()> today;       // empty: the current local date
    std::function<QString()> language;  // empty: Loc::shared().language()
};

QDate today();
QString uiLanguage();

// Installs an environment for its lifetime and restores the previous one afterwards.
class ScopedEnvironment
{
public:
    explicit ScopedEnvironment(Environment environment);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::shared_ptr<const Environment> m_previous;
};

// ---------------------------------------------------------------------------------------
// Text helpers

// Lower-case words and phrases that, alone, make a file name say nothing.
const QSet<QString> &genericNameWords();

// Full-width digits, yen sign, colon and full stop folded to their ASCII forms.
QString normDigits(const QString &text);
// At least two digits: 3 gives "03", 12 gives "12".
QString pad(qint64 n);
// `text` without the characters of `chars` at either end.
QString trimChars(const QString &text, QStringView chars);
// A file-name-safe name part: path and shell characters become "_"-joined words, at most
// 40 characters, never starting with ".".
QString slug(const QString &text);
// "2024-03-05" gives "03/05"; anything without exactly three non-empty "-" pieces is
// returned unchanged.
QString shortDate(const QString &iso);
// True when a file name carries no meaning of its own ("IMG_20240305.jpg", "Scan (3).pdf").
bool isGenericName(const QString &name);

// ---------------------------------------------------------------------------------------
// Dates

struct DateHit
{
    QString date;           // "yyyy-MM-dd", empty when nothing was found
    bool ambiguous = false; // a numeric date that could be read another way
    bool operator==(const DateHit &other) const = default;
};

// "jan" … "dec" to 1 … 12.
const QHash<QString, int> &monthIndexTable();

// "yyyy-MM-dd" when the three texts are decimal numbers of a real calendar day in a year
// from 2000 to next year; else none.
std::optional<QString> validISO(const QString &year, const QString &month, const QString &day);
// The first valid English month-name date after `prefix` ("March 5, 2024", "5 Mar 24").
std::optional<DateHit> matchMonthNameDate(const QString &prefix, const QString &text);
// The first valid numeric date after `prefix` ("05/03/2024"); `monthFirst` decides how a
// date whose both numbers could be the month is read.
std::optional<DateHit> matchNumericDate(const QString &prefix, const QString &text,
                                        bool monthFirst);
// The date after the first anchor that has one within ten non-digits, else the first date
// anywhere; an empty date when there is none. Without `monthFirst`, month-first reading
// is used when the interface language is English.
DateHit contentDateHit(const QString &text, const QStringList &near,
                       std::optional<bool> monthFirst = std::nullopt);
// "yyyy-MM" of the period after an anchor, else of the text's unambiguous date, else "".
QString contentMonth(const QString &text, const QStringList &near);

// ---------------------------------------------------------------------------------------
// Amounts and currencies

// The first labelled or signed amount, as a currency sign followed by the number ("$1234.50",
// "¥99"); "" when there is none or the text writes decimal commas.
QString amount(const QString &text);
// The total of a Chinese invoice (figures, ticket price, total with tax); an English text
// falls back to amount(); a Chinese text without those labels gives "".
QString invoiceTotal(const QString &text);
// "¥", "$", "€" or "£" as the text suggests, else by the interface language.
QString inferCurrency(const QString &text);
// The sign for a currency sign or code found next to a number, else inferCurrency(text).
QString sym(const QString &code, const QString &text);

// ---------------------------------------------------------------------------------------
// Parties and organisation names

struct Parties
{
    QString buyer;
    QString seller;
    bool operator==(const Parties &other) const = default;
};

// A candidate line cleaned into an organisation name, or "" when it cannot be one.
QString cleanOrgName(const QString &candidate);
// The first usable name after one of the anchors (pattern fragments), tried in order.
QString lineAfterAnchor(const QStringList &anchors, const QString &text);
// English company names with a legal-form suffix, in text order.
QStringList enOrgs(const QString &text);
// Buyer and seller of an English invoice.
Parties enParties(const QString &text);
// Buyer and seller of a Chinese invoice (falling back to the English rules).
Parties invoiceParties(const QString &text);
// A Chinese organisation name without its company-form suffix.
QString trimOrgSuffix(const QString &name);
// The name of an institution ending in `tail` (a pattern fragment matched ignoring case,
// such as bankTail()), letterhead first; "" when there is none.
QString enInstitution(const QString &text, const QString &tail);
// A Chinese railway e-ticket.
bool isTrain(const QString &text);
// An image whose metadata names a camera (make, model, lens) or a capture time.
bool isCameraPhoto(const QString &path);
bool isCameraPhoto(const QUrl &url);
// The instruction that asks a language model for a screenshot's topic.
QString screenshotTopicInstruction(const QString &language = uiLanguage());

// ---------------------------------------------------------------------------------------
// Grounding and confidence

// Whether a language model's answer is borne out by the document text.
bool grounded(const QString &value, const QString &text);

// The confidence shown for a finding. `quality` is the extraction quality level: 0 text
// layer or text document, 1 recognised text, 2 a PDF without text, 3 (or anything else)
// other sources.
ScenarioMatch::Conf finalConfidence(int quality, int signalStrength, bool groundedSlot);

// The same for the extractor's quality enumeration, whose cases are in that order.
template<typename Quality>
    requires std::is_enum_v<Quality>
ScenarioMatch::Conf finalConfidence(Quality quality, int signalStrength, bool groundedSlot)
{
    return finalConfidence(static_cast<int>(quality), signalStrength, groundedSlot);
}

} // namespace ScenarioDetector
