#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>

class ThumbnailProvider;

// The thumbnails one view asks for, one size for all its cells. A cell that paints asks
// image(): a kept thumbnail comes back at once, otherwise a request joins the queue (once
// per file). A few requests run at a time; when a request's turn comes and its cell has
// left the view meanwhile (as `stillWanted` tells), it is skipped. `ready` tells the view
// which cell to repaint. A file that got no thumbnail is not asked about again until the
// size changes or clear() is called. Lives on the GUI thread; late results of a request
// made before clear() or a size change are dropped.
class ThumbnailRequests : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxRunning = 2;

    explicit ThumbnailRequests(ThumbnailProvider &provider, QObject *parent = nullptr);

    // The size of the squares in points and the screen's pixels per point. A change
    // drops every queued request.
    void setSize(double size, double scale);
    double size() const { return m_size; }
    // Consulted when a request's turn comes; by default every file stays wanted.
    void setStillWanted(std::function<bool(const QString &path)> wanted);

    // The thumbnail of the file when kept; otherwise null, and the file is queued unless
    // its name has no thumbnail extension.
    QImage image(const QString &path);
    // Drops the queued requests and forgets the failures (another folder is shown).
    void clear();

    int queued() const { return int(m_queue.size()); }
    int running() const { return m_running; }

signals:
    // A thumbnail arrived for the file; the view repaints its cell, which finds it kept.
    void ready(const QString &path, const QImage &image);

private:
    void pump();

    ThumbnailProvider &m_provider;
    std::function<bool(const QString &)> m_stillWanted;
    double m_size = 84;
    double m_scale = 2;
    std::deque<QString> m_queue;
    QSet<QString> m_pending; // queued or running
    QSet<QString> m_failed;
    int m_running = 0;
    quint64 m_epoch = 0; // counts clear() and size changes
};
