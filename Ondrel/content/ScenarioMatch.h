#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The eleven kinds of document the scenario detector tells apart, in listing order. The
// raw value of a kind is its case name.
enum class ScenarioKind {
    invoice,
    payment,
    bankStatement,
    travel,
    paper,
    screenshot,
    idDoc,
    installer,
    contract,
    document,
    unknown,
};

namespace ScenarioKinds {

const std::array<ScenarioKind, 11> &all();
QString rawValue(ScenarioKind kind);
// Exactly one of the eleven case names (case-sensitive), else none.
std::optional<ScenarioKind> fromRawValue(const QString &text);
// The display label in the current interface language, looked up at every call.
QString label(ScenarioKind kind);
// The symbol name of the kind's icon.
QString icon(ScenarioKind kind);

} // namespace ScenarioKinds

// What the detector found out about one file. A plain value: copied, never shared.
struct ScenarioMatch
{
    // Confidence in the whole finding; the raw values are also the confidence texts the
    // proposal builder writes into a file item.
    enum class Conf { high, medium, low };
    static QString rawValue(Conf conf);
    // "high", "medium" or "low"; anything else (such as "—") is none.
    static std::optional<Conf> confFromRawValue(const QString &text);

    ScenarioKind kind = ScenarioKind::unknown;
    Conf conf = Conf::low;
    QString recognized;              // one localised sentence: what the file looks like
    QString base;                    // proposed base name without date and extension
    QString datePrefix;              // "yyyy-MM-dd", "yyyy-MM" for statements, or empty
    std::optional<QString> folderHint; // relative destination folder for filing
    QStringList bucketKeywords;      // names by which an existing folder is this kind's
    bool sensitive = false;          // holds personal identity data
    bool renameReady = false;        // base is good enough to offer as a new name
    bool filingReady = false;        // folderHint is good enough to offer a move
    QString note;                    // optional second localised line
    int signalStrength = 0;          // independent signals that supported the finding
    bool groundedSlot = true;        // a model-supplied part of base was found in the text

    bool operator==(const ScenarioMatch &other) const = default;
};
