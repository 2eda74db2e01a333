#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace TestSupport {

QString root()
{
    return qEnvironmentVariable("MAROVEL_TEST_ROOT");
}

QString makeFolder(const QString &relative)
{
    const QString path = QDir(root()).filePath(relative);
    if (!QDir().mkpath(path))
        throw std::runtime_error("cannot create test folder");
    return QDir::cleanPath(path);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

void appendFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot append to test file");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace TestSupport
