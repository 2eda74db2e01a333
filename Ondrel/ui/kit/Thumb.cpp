#include "Thumb.h"

#include "BrowserState.h"
#include "ThumbnailProvider.h"
#include "WhenReady.h"

#include <QPainter>

#include <cmath>

Thumb::Thumb(BrowserState &state, QWidget *parent)
    : Thumb(state.thumbs(), [&state](const QString &path, bool isDir) { return state.icon(path, isDir); },
            parent)
{
    connect(&state.icons(), &FileIcons::iconChanged, this, [this, &state](const QString &path) {
        if (path != m_path)
            return;
        m_icon = state.icon(m_path, m_isDir);
        update();
    });
}

Thumb::Thumb(ThumbnailProvider &provider, IconLookup icons, QWidget *parent)
    : QWidget(parent), m_provider(provider), m_icons(std::move(icons))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Thumb::setFile(const QString &path, bool isDir, bool thumbnail)
{
    if (path == m_path && isDir == m_isDir && thumbnail == m_thumbnail)
        return;
    const bool otherFile = path != m_path;
    m_path = path;
    m_isDir = isDir;
    m_thumbnail = thumbnail;
    m_icon = m_icons ? m_icons(path, isDir) : QIcon();
    if (otherFile || !thumbnail)
        m_image = QImage();
    update();
    request();
}

void Thumb::setSide(double side)
{
    if (side == m_side || !std::isfinite(side) || side <= 0)
        return;
    m_side = side;
    updateGeometry();
    update();
    request();
}

void Thumb::request()
{
    const quint64 generation = ++m_generation;
    if (!m_thumbnail || m_isDir || !ThumbnailProvider::hasThumbnailExtension(m_path))
        return;
    whenReady(m_provider.thumbnail(m_path, m_side, 2), this, [this, generation](const QImage &image) {
        if (generation != m_generation)
            return; // made for a file or size shown before
        m_image = image; // none: the icon stays
        update();
    });
}

QSize Thumb::sizeHint() const
{
    const int side = int(std::ceil(m_side));
    return {side, side};
}

void Thumb::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF square(m_side, m_side);
    const QPointF centre = QRectF(rect()).center();
    if (!m_image.isNull()) {
        const QSizeF shown = m_image.deviceIndependentSize().scaled(square, Qt::KeepAspectRatio);
        painter.drawImage(QRectF(centre - QPointF(shown.width(), shown.height()) / 2, shown), m_image);
        return;
    }
    if (m_icon.isNull())
        return;
    const int side = int(m_side);
    const QPixmap pixmap = m_icon.pixmap(QSize(side, side), devicePixelRatioF());
    const QSizeF shown = pixmap.deviceIndependentSize().scaled(square, Qt::KeepAspectRatio);
    painter.drawPixmap(QRectF(centre - QPointF(shown.width(), shown.height()) / 2, shown), pixmap,
                       QRectF(pixmap.rect()));
}
