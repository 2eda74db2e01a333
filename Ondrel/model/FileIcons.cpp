#include "FileIcons.h"

#include "WhenReady.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

const QString directoryType = QStringLiteral("inode/directory");

QThreadPool &pool()
{
    // A few threads of their own: a file on a slow or hung mount holds one of these, never
    // the GUI thread or the threads other work shares.
    static QThreadPool *instance = [] {
        auto *threads = new QThreadPool;
        threads->setMaxThreadCount(2);
        threads->setObjectName(QStringLiteral("FileTypes"));
        return threads;
    }();
    return *instance;
}

// The type a file name gives, or the default type when it gives none. No disk access.
QMimeType typeByName(const QString &path)
{
    static const QMimeDatabase mimes;
    return mimes.mimeTypeForFile(QFileInfo(path).fileName(), QMimeDatabase::MatchExtension);
}

} // namespace

FileIcons::FileIcons(QObject *parent) : QObject(parent), m_reader(&FileIcons::readContentType) {}

void FileIcons::setContentReader(ContentReader reader)
{
    m_reader = std::move(reader);
}

QString FileIcons::readContentType(const QString &path)
{
    const QMimeDatabase mimes;
    const QFileInfo info(path);
    if (!info.isFile())
        return mimes.mimeTypeForName(QStringLiteral("application/octet-stream")).name();
    return mimes.mimeTypeForFile(info, QMimeDatabase::MatchContent).name();
}

QString FileIcons::typeOf(const QString &path, bool isDir)
{
    if (isDir)
        return directoryType;
    if (const auto read = m_contentTypes.constFind(path); read != m_contentTypes.constEnd())
        return *read;
    const QMimeType type = typeByName(path);
    if (type.isDefault() && !m_reading.contains(path))
        read(path, type.name());
    return type.name();
}

QIcon FileIcons::icon(const QString &path, bool isDir)
{
    const QString name = typeOf(path, isDir);
    if (const auto cached = m_icons.constFind(name); cached != m_icons.constEnd())
        return *cached;
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForName(name);
    const QIcon image = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    m_icons.insert(name, image);
    return image;
}

void FileIcons::read(const QString &path, const QString &byName)
{
    m_reading.insert(path);
    whenReady(QtConcurrent::run(&pool(), m_reader, path), this, [this, path, byName](const QString &type) {
        m_reading.remove(path);
        const QString found = type.isEmpty() ? byName : type;
        m_contentTypes.insert(path, found);
        if (found != byName)
            emit iconChanged(path);
    });
}
