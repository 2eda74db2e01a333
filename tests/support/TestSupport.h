#pragma once

#include <QByteArray>
#include <QString>

// Helpers shared by the tests. Each test process runs with HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_CACHE_HOME and MAROVEL_HOME inside one fresh folder under /tmp.
namespace TestSupport {

QString root();                  // the process's temporary folder
QString makeFolder(const QString &relative); // created below root(); returns its path
void writeFile(const QString &path, const QByteArray &bytes); // creates parents
void appendFile(const QString &path, const QByteArray &bytes); // adds at the end
QByteArray readFile(const QString &path);

} // namespace TestSupport
