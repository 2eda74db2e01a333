#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

#include <functional>

class BrowserState;
class ThumbnailProvider;

// A file's thumbnail in a square, fitted keeping its proportions, or its icon until (and
// unless) a thumbnail arrives. Thumbnails are asked for only for names with a thumbnail
// extension, at scale 2, when thumbnails are enabled. Changing the file clears the image
// shown, so no other file's picture stays; a thumbnail that arrives for a previous file is
// dropped.
class Thumb : public QWidget
{
    Q_OBJECT

public:
    using IconLookup = std::function<QIcon(const QString &path, bool isDir)>;

    // The window's thumbnail cache and icon lookup.
    explicit Thumb(BrowserState &state, QWidget *parent = nullptr);
    Thumb(ThumbnailProvider &provider, IconLookup icons, QWidget *parent = nullptr);

    // The file shown; `thumbnail` false shows its icon only.
    void setFile(const QString &path, bool isDir, bool thumbnail = true);
    const QString &path() const { return m_path; }
    bool isDir() const { return m_isDir; }
    // The side of the square in points.
    void setSide(double side);
    double side() const { return m_side; }

    // The thumbnail shown; null while the icon is shown.
    const QImage &image() const { return m_image; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void request();

    ThumbnailProvider &m_provider;
    IconLookup m_icons;
    QString m_path;
    bool m_isDir = false;
    bool m_thumbnail = true;
    double m_side = 64;
    QImage m_image;
    QIcon m_icon;
    quint64 m_generation = 0;
};
