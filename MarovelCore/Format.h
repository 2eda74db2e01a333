#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <type_traits>
#include <variant>

// One argument of a localised format text. Integers, floating-point numbers and texts are
// kept apart so that "%d", "%.1f" and "%@" each get what they expect, whatever the caller
// passed.
using FormatArg = std::variant<QString, qlonglong, double>;
using FormatArgs = QList<FormatArg>;

namespace Format {

template<typename T>
FormatArg arg(const T &value)
{
    if constexpr (std::is_same_v<T, bool>)
        return qlonglong(value ? 1 : 0);
    else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
        return qlonglong(value);
    else if constexpr (std::is_floating_point_v<T>)
        return double(value);
    else
        return QString(value);
}

// Formats `format` with printf-style placeholders: %@, %d, %i, %ld, %lld, %u, %lu, %llu,
// %f and %.Nf, %%, and positional forms such as %2$@. A placeholder with no argument is
// written unchanged, so formatting never reads past the given arguments. Numbers use the
// C locale (a full stop as decimal separator, no grouping).
QString apply(const QString &format, const FormatArgs &args);

// The placeholders of a format text, as (argument index, kind) pairs in argument order;
// kind is '@', 'd' or 'f'. Two formats with equal signatures take the same arguments.
QList<std::pair<int, char>> signature(const QString &format);

} // namespace Format
