#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// The newest release a feed announces.
struct UpdateRelease
{
    QString version;
    QString title;
    QString notes; // plain text; never rendered as markup
    QUrl page;     // the download page; empty unless http(s)
};

namespace UpdateFeed {

// The feed address of share/marovel/update.json beside the executable (installed or build
// tree); empty when the file is missing, unreadable or names no feed.
QUrl configuredUrl();
QUrl urlFromConfig(const QString &path);

// Compares dotted versions numerically ("0.6.10" > "0.6.9", "1.0" == "1.0.0"); a version
// with a suffix ("0.7-beta") comes before the same numbers without one.
int compareVersions(const QString &a, const QString &b);

// The item of an RSS update feed with the highest version; nothing when the text is not
// such a feed or holds no versioned item.
std::optional<UpdateRelease> parse(const QByteArray &xml);

// `link` when it is an http(s) address, else an empty URL.
QUrl safePage(const QString &link);

} // namespace UpdateFeed

// Checks the feed for a newer release when asked; never downloads or installs anything.
// GUI thread only.
class Updater : public QObject
{
    Q_OBJECT

public:
    enum class State { idle, noFeed, checking, newer, upToDate, failed };

    static constexpr qint64 maxFeedBytes = 1024 * 1024;

    // Created on first use with the configured feed and this application's version.
    static Updater &shared();

    Updater(const QUrl &feed, const QString &currentVersion, QObject *parent = nullptr);

    // Starts a check; a check already running goes on. Without a feed: noFeed at once.
    void check();

    State state() const { return m_state; }
    QString currentVersion() const { return m_current; }
    // The newer release (state newer) or the feed's newest (state upToDate).
    const UpdateRelease &release() const { return m_release; }
    // Why the last check failed, as a finished sentence.
    QString failure() const { return m_failure; }

    void setTimeout(int ms) { m_timeoutMs = ms; }

signals:
    void stateChanged();

private:
    void finish(QNetworkReply *reply);
    void fail(const QString &reason);
    void setState(State state);

    QUrl m_feed;
    QString m_current;
    State m_state = State::idle;
    UpdateRelease m_release;
    QString m_failure;
    int m_timeoutMs = 10000;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_timer = nullptr;
    QByteArray m_body;
    bool m_tooBig = false;
    bool m_timedOut = false;
};
