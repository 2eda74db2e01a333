#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

// Reader of binary property lists ("bplist00"): dictionaries become QVariantMap, arrays
// QVariantList, data QByteArray, strings QString, integers qint64, reals double, dates
// QDateTime, booleans bool. Untrusted input: every offset and length is checked, nesting
// is bounded, and a malformed list gives nothing.
namespace PropertyList {

std::optional<QVariant> parseBinary(const QByteArray &bytes);

} // namespace PropertyList
