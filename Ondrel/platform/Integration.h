#pragma once

#include <QString>

#include <stdexcept>

// Marovel's place in the desktop: its desktop entry (which makes it an installed
// application), the default handler of folders, and the autostart entry. Everything is
// synchronous and meant for the GUI thread: each call reads or writes one small file.
namespace Integration {

inline constexpr char desktopId[] = "marovel.desktop";
// The user's wish to stay the default file viewer (the settings page writes it).
inline constexpr char wantedKey[] = "beDefaultFileViewer";
// The user's folder handler as it stood before Marovel took the role: the value of the
// "inode/directory" line of $XDG_CONFIG_HOME/mimeapps.list, empty when there was none.
inline constexpr char previousViewerKey[] = "defaultFileViewerBefore";
// Whether that file's "[Added Associations]" list for folders held Marovel before (GIO adds
// it there when taking the role, and would keep Marovel first without the default line).
inline constexpr char previousAddedKey[] = "defaultFileViewerAddedBefore";

// A failed change of the autostart entry, with the path and the reason.
class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// `path` as one argument of a desktop entry's Exec key: double-quoted with a backslash
// before each of " ` $ and backslash, % doubled, then escaped as a key-file value.
QString execArgument(const QString &path);
// The desktop entry that starts `executable` with the folders and files it is given.
QByteArray desktopEntry(const QString &executable);

// Whether a "marovel.desktop" lies in applications/ of $XDG_DATA_HOME or $XDG_DATA_DIRS.
bool isInstalled();
// Writes $XDG_DATA_HOME/applications/marovel.desktop for the running executable, replacing
// an older one atomically. False when it cannot be written.
bool installDesktopEntry();
bool installDesktopEntry(const QString &executable);

// Whether the desktop's default application for folders is Marovel.
bool isDefaultFileViewer();
// On: notes the user's own folder handler line, then makes Marovel the default. Off: when
// the user's line still names Marovel, puts the noted line back (or removes the line); a
// handler chosen since then stays.
void setDefaultFileViewer(bool on);
// Takes the role back when the user wants it, Marovel is installed and another program
// has it.
void reassertIfWanted();

// Whether Marovel starts at login: the user's autostart entry unless hidden, else one of
// the system's autostart folders.
bool isLoginEnabled();
// Writes or removes the user's autostart entry (hides a system one). Throws Error.
void setLogin(bool on);
void setLogin(bool on, const QString &executable);

} // namespace Integration
