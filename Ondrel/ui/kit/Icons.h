#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QWidget;

// Icons by the symbol names the interface is described with ("chevron.left",
// "wand.and.stars"): a freedesktop theme icon where one fits, found through Adwaita when
// the desktop names no theme, otherwise one of Marovel's own drawings. Monochrome icons
// are tinted to the palette when drawn, so they read on light and dark windows alike.
namespace Kit {

// Call before the QApplication exists: Adwaita becomes the fallback theme.
void prepareIconTheme();
// Names Adwaita as the theme when none is set (offscreen and bare sessions); icon() does
// this itself on first use.
void ensureIconTheme();

// The icon for a symbol name, drawn in the widget's text colour (disabled: its disabled
// text colour), or always in `colour` when that is valid. An unknown name gives a null
// icon.
QIcon icon(const QString &symbol, const QColor &colour = {});

// Every symbol name icon() knows.
QStringList knownSymbols();
// The theme name a symbol is looked up by, or "" for Marovel's own drawings.
QString themeNameOf(const QString &symbol);

// The property that keeps the symbol name on a widget showing an icon, for tests.
inline constexpr const char *symbolProperty = "symbol";

// Shows the icon on a button and keeps its symbol name.
void setIcon(QAbstractButton *button, const QString &symbol, const QColor &colour = {});

} // namespace Kit
