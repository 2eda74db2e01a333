#pragma once

#include <QString>
#include <QStringList>

// The files and folders a command line asks the application to open (the desktop entry
// runs "marovel %U"): every argument that is not a "-key value" setting (see
// Defaults::parseArguments; after "--" all are paths), as an absolute path. A relative
// path is taken against `workingFolder`, a "file:" URI gives its local path, any other
// URI (a name with a scheme that is not an existing file) is skipped, as are empty
// arguments. The program name comes first in `arguments`.
QStringList launchPaths(const QStringList &arguments, const QString &workingFolder);
