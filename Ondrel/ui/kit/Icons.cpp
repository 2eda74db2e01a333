#include "Icons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QStandardPaths>

namespace Kit {

namespace {

// Symbol name → freedesktop icon name; an empty name means Marovel's own drawing in
// :/kit/icons/<symbol>.svg. Later windows add the names they use.
const QHash<QString, QString> &symbolTable()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("chevron.left"), QStringLiteral("go-previous-symbolic")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("chevron.up"), QStringLiteral("go-up-symbolic")},
        {QStringLiteral("chevron.compact.right"), QStringLiteral("pan-end-symbolic")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh-symbolic")},
        {QStringLiteral("arrow.uturn.backward"), QStringLiteral("edit-undo-symbolic")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("system-search-symbolic")},
        {QStringLiteral("list.bullet"), QStringLiteral("view-list-bullet-symbolic")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("view-grid-symbolic")},
        {QStringLiteral("rectangle.split.2x1"), QStringLiteral("view-dual-symbolic")},
        {QStringLiteral("sidebar.right"), QStringLiteral("sidebar-show-right-symbolic")},
        {QStringLiteral("info.circle"), QStringLiteral("help-about-symbolic")},
        // The scenario card: the kinds of document, the lock of sensitive files, filing.
        {QStringLiteral("doc.text.below.ecg"), QStringLiteral("x-office-document-symbolic")},
        {QStringLiteral("creditcard"), QStringLiteral("auth-smartcard-symbolic")},
        {QStringLiteral("building.columns"), QStringLiteral("x-office-spreadsheet-symbolic")},
        {QStringLiteral("airplane"), QStringLiteral("airplane-mode-symbolic")},
        {QStringLiteral("doc.richtext"), QStringLiteral("format-text-rich-symbolic")},
        {QStringLiteral("camera.viewfinder"), QStringLiteral("applets-screenshooter-symbolic")},
        {QStringLiteral("person.text.rectangle"), QStringLiteral("user-info-symbolic")},
        {QStringLiteral("shippingbox"), QStringLiteral("package-x-generic-symbolic")},
        {QStringLiteral("signature"), QStringLiteral("document-edit-symbolic")},
        {QStringLiteral("doc"), QStringLiteral("text-x-generic-symbolic")},
        {QStringLiteral("lock.fill"), QStringLiteral("changes-prevent-symbolic")},
        {QStringLiteral("folder.badge.gearshape"), QStringLiteral("folder-drag-accept-symbolic")},
        {QStringLiteral("clock"), QStringLiteral("document-open-recent-symbolic")},
        {QStringLiteral("folder"), QStringLiteral("folder-symbolic")},
        {QStringLiteral("folder.badge.plus"), QStringLiteral("folder-new-symbolic")},
        {QStringLiteral("xmark"), QStringLiteral("window-close-symbolic")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear-symbolic")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("checkmark.circle"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("doc.text"), QStringLiteral("text-x-generic-symbolic")},
        {QStringLiteral("gearshape"), QStringLiteral("emblem-system-symbolic")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("eye.slash"), QStringLiteral("view-conceal-symbolic")},
        {QStringLiteral("arrow.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("chevron.down"), QStringLiteral("pan-down-symbolic")},
        {QStringLiteral("terminal"), QStringLiteral("utilities-terminal-symbolic")},
        {QStringLiteral("pencil"), QStringLiteral("document-edit-symbolic")},
        {QStringLiteral("archivebox"), QStringLiteral("package-x-generic-symbolic")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy-symbolic")},
        {QStringLiteral("arrow.up.forward.app"), QStringLiteral("folder-open-symbolic")},
        {QStringLiteral("arrow.up.right.square"), QStringLiteral("document-open-symbolic")},
        {QStringLiteral("eye"), QStringLiteral("view-reveal-symbolic")},
        {QStringLiteral("square.and.arrow.up.on.square"), QStringLiteral("system-run-symbolic")},
        {QStringLiteral("checkmark.seal.fill"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("pin.fill"), QStringLiteral("view-pin-symbolic")},
        {QStringLiteral("clock"), QStringLiteral("document-open-recent-symbolic")},
        {QStringLiteral("person.2.badge.gearshape"), QStringLiteral("system-users-symbolic")},
        {QStringLiteral("macwindow.on.rectangle"), QStringLiteral("user-desktop-symbolic")},
        {QStringLiteral("folder.badge.person.crop"), QStringLiteral("folder-publicshare-symbolic")},
        {QStringLiteral("cloud"), QStringLiteral("weather-overcast-symbolic")},
        {QStringLiteral("network"), QStringLiteral("network-server-symbolic")},
        {QStringLiteral("externaldrive"), QStringLiteral("drive-harddisk-symbolic")},
        {QStringLiteral("eject"), QStringLiteral("media-eject-symbolic")},
        {QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic")},
        // The places of locIcon(), by their freedesktop names.
        {QStringLiteral("user-home"), QStringLiteral("user-home-symbolic")},
        {QStringLiteral("user-desktop"), QStringLiteral("user-desktop-symbolic")},
        {QStringLiteral("folder-documents"), QStringLiteral("folder-documents-symbolic")},
        {QStringLiteral("folder-download"), QStringLiteral("folder-download-symbolic")},
        {QStringLiteral("applications-other"), QStringLiteral("applications-system-symbolic")},
        {QStringLiteral("lock.shield"), QStringLiteral("security-high-symbolic")},
        {QStringLiteral("lock.fill"), QStringLiteral("changes-prevent-symbolic")},
        {QStringLiteral("list.clipboard"), QStringLiteral("edit-paste-symbolic")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("document-open-recent-symbolic")},
        {QStringLiteral("camera.viewfinder"), QStringLiteral("camera-photo-symbolic")},
        {QStringLiteral("calendar.badge.clock"), QStringLiteral("x-office-calendar-symbolic")},
        {QStringLiteral("note.text"), QStringLiteral("accessories-text-editor-symbolic")},
        {QStringLiteral("checkmark.seal.fill"), QStringLiteral("emblem-default-symbolic")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("emblem-important-symbolic")},
        {QStringLiteral("xmark.circle"), QStringLiteral("action-unavailable-symbolic")},
        // No theme icon fits these: own drawings.
        {QStringLiteral("hand.tap"), QString()},
        {QStringLiteral("arrow.down.circle"), QString()},
        {QStringLiteral("arrow.down.circle.fill"), QString()},
        {QStringLiteral("archivebox.fill"), QString()},
        {QStringLiteral("brain"), QString()},
        {QStringLiteral("sparkles"), QString()},
        {QStringLiteral("wand.and.stars"), QString()},
        {QStringLiteral("doc.text.magnifyingglass"), QString()},
        {QStringLiteral("text.magnifyingglass"), QString()},
        {QStringLiteral("square"), QString()},
        {QStringLiteral("rectangle.split.3x1"), QString()},
        {QStringLiteral("square.stack.3d.up"), QString()},
        {QStringLiteral("square.stack.3d.up.fill"), QString()},
        {QStringLiteral("sparkle.magnifyingglass"), QString()},
        {QStringLiteral("questionmark.folder"), QString()},
        {QStringLiteral("arrow.up.right.square"), QString()},
        {QStringLiteral("trash.slash.fill"), QString()},
        {QStringLiteral("arrow.down.doc"), QString()},
    };
    return table;
}

// Draws a monochrome source icon in one colour: the given one, or the text colour of the
// palette at the time of drawing (so a palette switch recolours every icon).
class TintedIconEngine : public QIconEngine
{
public:
    TintedIconEngine(QIcon source, QColor colour, QString symbol)
        : m_source(std::move(source)), m_colour(std::move(colour)), m_symbol(std::move(symbol))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pm = scaledPixmap(rect.size(), mode, state, scale);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        const QSize pixels = (QSizeF(size) * scale).toSize();
        if (pixels.isEmpty())
            return {};
        const QColor colour = colourFor(mode);
        const QString key = QStringLiteral("kit:%1:%2x%3:%4").arg(m_symbol).arg(pixels.width())
                                .arg(pixels.height()).arg(colour.rgba(), 0, 16);
        QPixmap pm;
        if (QPixmapCache::find(key, &pm))
            return pm;
        pm = m_source.pixmap(pixels, QIcon::Normal, state);
        if (pm.isNull())
            return pm;
        pm.setDevicePixelRatio(1.0);
        {
            QPainter p(&pm);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(pm.rect(), colour);
        }
        pm.setDevicePixelRatio(scale);
        QPixmapCache::insert(key, pm);
        return pm;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return m_source.availableSizes(mode, state);
    }
    QString iconName() override { return m_source.name(); }
    bool isNull() override { return m_source.isNull(); }
    QString key() const override { return QStringLiteral("KitTintedIconEngine"); }
    QIconEngine *clone() const override { return new TintedIconEngine(m_source, m_colour, m_symbol); }

private:
    QColor colourFor(QIcon::Mode mode) const
    {
        const QPalette palette = QApplication::palette();
        switch (mode) {
        case QIcon::Disabled:
            return m_colour.isValid() ? QColor(m_colour.red(), m_colour.green(), m_colour.blue(), 110)
                                      : palette.color(QPalette::Disabled, QPalette::WindowText);
        case QIcon::Selected: return palette.color(QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active: break;
        }
        return m_colour.isValid() ? m_colour : palette.color(QPalette::Active, QPalette::WindowText);
    }

    QIcon m_source;
    QColor m_colour;
    QString m_symbol;
};

QIcon sourceIcon(const QString &symbol, const QString &themeName)
{
    if (themeName.isEmpty()) {
        const QString file = QStringLiteral(":/kit/icons/%1.svg").arg(symbol);
        return QFile::exists(file) ? QIcon(file) : QIcon();
    }
    return QIcon::fromTheme(themeName);
}

} // namespace

void prepareIconTheme()
{
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

void ensureIconTheme()
{
    // Platforms without a desktop theme plug-in (offscreen, bare X sessions) search only
    // Qt's own resources: add the XDG icon folders.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                    QStandardPaths::LocateDirectory);
    folders << QStringLiteral("/usr/share/icons");
    bool added = false;
    for (const QString &folder : std::as_const(folders)) {
        if (!paths.contains(folder) && QFileInfo(folder).isDir()) {
            paths << folder;
            added = true;
        }
    }
    if (added)
        QIcon::setThemeSearchPaths(paths);
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

QIcon icon(const QString &symbol, const QColor &colour)
{
    const auto it = symbolTable().constFind(symbol);
    if (it == symbolTable().cend())
        return {};
    static const bool themeReady = (ensureIconTheme(), true);
    Q_UNUSED(themeReady);
    const QIcon source = sourceIcon(symbol, *it);
    if (source.isNull())
        return {};
    return QIcon(new TintedIconEngine(source, colour, symbol));
}

QStringList knownSymbols()
{
    QStringList names = symbolTable().keys();
    names.sort();
    return names;
}

QString themeNameOf(const QString &symbol)
{
    return symbolTable().value(symbol);
}

void setIcon(QAbstractButton *button, const QString &symbol, const QColor &colour)
{
    button->setIcon(icon(symbol, colour));
    button->setProperty(symbolProperty, symbol);
}

} // namespace Kit
