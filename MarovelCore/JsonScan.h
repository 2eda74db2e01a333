#pragma once

#include <QByteArray>
#include <QLatin1StringView>

#include <optional>

// A syntax-only look at JSON text (RFC 8259), for the two places where the parsed value is
// not enough: telling a record cut short from a malformed one, and echoing a request id in
// the very text the client wrote. Nothing is decoded or allocated per value.
namespace JsonScan {

enum class Shape {
    Complete,  // one whole JSON value, white space around it allowed
    Truncated, // sound up to its last byte, but ends inside a value (an object, array,
               // string, number or literal not yet finished)
    Invalid,   // anything else
};

Shape shape(const QByteArray &text);

// The text of the member `key` of the top-level object, with the white space between its
// tokens removed (white space inside strings stays), or nothing when `text` is not one
// complete object or has no such member. A key repeated takes its last value, as Qt's
// parser does. Escapes in keys are decoded for the comparison ("\u0069d" is "id").
std::optional<QByteArray> memberText(const QByteArray &text, QLatin1StringView key);

// The position and length of that member's value in `text`, for splicing.
struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;
};
std::optional<Span> memberSpan(const QByteArray &text, QLatin1StringView key);

// The JSON text `value` without the white space between its tokens.
QByteArray withoutSpace(const QByteArray &value);

} // namespace JsonScan
