#pragma once

#include <QString>
#include <QStringList>

// The fixture folder the pictures show: a PDF with a text layer, an image, a text file,
// a Chinese name, a long name, a name that looks like markup, and names with "&".
namespace Shots::Fixture {

// Creates the files in `folder` (which must exist); returns the names created, or an
// empty list when a file could not be written.
QStringList create(const QString &folder);

// The favourites a window starts with in the tool's temporary home, which has no desktop,
// documents or downloads folder: the home folder.
QStringList favorites();

} // namespace Shots::Fixture
