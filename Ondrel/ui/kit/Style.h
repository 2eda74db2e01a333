#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <functional>

class QAbstractButton;
class QFrame;
class QLabel;
class QObject;
class QWidget;

// The look every window shares: text roles relative to the application font, colours
// derived from the palette (so light and dark both work), the accent tints, spacing, the
// two palettes Marovel draws with under Fusion, and the text rules for data and actions.
namespace Kit {

// Text roles: headline = bold body; subheadline and callout ≈ body −1 pt; caption ≈ −2;
// caption2 ≈ −3 (never below 7 pt).
enum class TextRole { body, headline, subheadline, callout, caption, caption2 };
QFont font(TextRole role, const QFont &base);
QFont font(TextRole role); // relative to the application font
void setTextRole(QWidget *widget, TextRole role);

// Foreground levels: primary is the palette's window text; secondary and tertiary are
// the same colour blended towards the window background.
enum class Level { primary, secondary, tertiary };
QColor textColor(Level level, const QPalette &palette);
void setTextLevel(QWidget *widget, Level level);

// The named colours of the interface, a little lighter on dark palettes; cobalt, the
// accent of onboarding and the naming-tier header, is the same on both.
enum class Tint { accent, green, orange, red, purple, yellow, gray, pink, cobalt };
// Cobalt: sRGB 21/95/190, opaque.
QColor mvCobalt();
QColor tint(Tint tint, const QPalette &palette);
// The tint as a background fill at the given opacity over the window colour.
QColor fill(Tint tint, double opacity, const QPalette &palette);
// Colours the widget's text with `colour` of the application palette, now and after each
// change of that palette (light ↔ dark).
void setForeground(QWidget *widget, const std::function<QColor(const QPalette &)> &colour);
void setForeground(QWidget *widget, Tint tint);
bool isDark(const QPalette &palette);

// Palettes for the Fusion style.
QPalette lightPalette();
QPalette darkPalette();

// Spacing steps used between and around controls.
namespace Space {
inline constexpr int hairline = 2;
inline constexpr int tight = 4;
inline constexpr int small = 6;
inline constexpr int normal = 8;
inline constexpr int wide = 12;
inline constexpr int margin = 12; // the default horizontal padding of bars and banners
} // namespace Space

// Text rules. A label that shows data is plain text, so a file called "<b>x</b>.pdf"
// shows those characters; an action or button text made from data escapes "&", which Qt
// would read as a mnemonic.
QLabel *plainLabel(const QString &text, QWidget *parent = nullptr);
QString escapeMnemonic(const QString &text);

// Calls `apply` now and again after every change of the interface language, until
// `context` is destroyed. Widgets put their L() texts in it, so a language switch
// re-translates them in place and keeps everything else.
void retranslate(QObject *context, const std::function<void()> &apply);

// A thin horizontal or vertical line.
QFrame *divider(Qt::Orientation orientation, QWidget *parent = nullptr);

} // namespace Kit
