#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// What the preview window shows of one file, read off the GUI thread: a picture (an image,
// or the first page of a PDF), the start of a text file, or else only the facts. The facts
// are always filled in. Only regular files are opened, so a pipe or a device never blocks
// the reader.
struct QuickLookContent
{
    enum class Kind { facts, image, pdf, text };

    static constexpr qint64 textBytes = 64 * 1024; // the start of a text file that is shown

    QString path;
    Kind kind = Kind::facts;
    QImage image; // image and pdf
    QString text; // text
    bool exists = false;
    bool isDir = false;
    QString iconName;    // freedesktop icon name of the file's type
    QString kindText;    // the type's description ("PNG image", "文件夹")
    QString sizeText;    // empty for folders and special files
    QString modifiedText;
    int pageCount = 0;   // pdf

    // Reads the file at `path`; pictures are scaled down to fit `pixels`, never enlarged.
    static QuickLookContent load(const QString &path, const QSize &pixels);
};
