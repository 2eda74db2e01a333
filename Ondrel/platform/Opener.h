#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opens files and addresses with the desktop's default application. Tests install a
// ScopedHandler so no application is ever started while they run.
namespace Opener {

// Opens the local file or folder at `path`. Returns whether the desktop accepted the
// request (not whether an application actually showed it).
bool open(const QString &path);
bool openUrl(const QUrl &url);

// Replaces the system opener for its lifetime; every open() and openUrl() goes to
// `handler` instead. Handlers nest: destroying one restores the one before it. Create
// and destroy them in reverse order, as scopes do.
class ScopedHandler
{
public:
    explicit ScopedHandler(std::function<bool(const QUrl &)> handler);
    ~ScopedHandler();

    ScopedHandler(const ScopedHandler &) = delete;
    ScopedHandler &operator=(const ScopedHandler &) = delete;

private:
    std::function<bool(const QUrl &)> m_previous;
};

} // namespace Opener
