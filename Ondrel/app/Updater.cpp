#include "Updater.h"

#include "Localization.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QXmlStreamReader>

namespace UpdateFeed {

namespace {

struct Version
{
    QList<qulonglong> numbers;
    QString suffix;
};

Version split(const QString &text)
{
    static const QRegularExpression numbers(QStringLiteral("^\\s*v?([0-9]+(?:\\.[0-9]+)*)(.*)$"));
    const QRegularExpressionMatch match = numbers.match(text);
    Version version;
    if (!match.hasMatch()) {
        version.suffix = text.trimmed();
        return version;
    }
    for (const QString &part : match.captured(1).split(u'.'))
        version.numbers << part.toULongLong();
    version.suffix = match.captured(2).trimmed();
    while (!version.numbers.isEmpty() && version.numbers.constLast() == 0)
        version.numbers.removeLast();
    return version;
}

} // namespace

QUrl urlFromConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString address = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("feedURL")).toString();
    const QUrl url(address.trimmed());
    return url.isValid() && !url.isRelative() ? url : QUrl();
}

QUrl configuredUrl()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {QStringLiteral("../share/marovel/update.json"),
                                     QStringLiteral("../../share/marovel/update.json")}) {
        if (QFileInfo(dir.filePath(candidate)).isFile())
            return urlFromConfig(dir.filePath(candidate));
    }
    return {};
}

int compareVersions(const QString &a, const QString &b)
{
    const Version left = split(a);
    const Version right = split(b);
    const qsizetype count = std::max(left.numbers.size(), right.numbers.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qulonglong l = left.numbers.value(i, 0);
        const qulonglong r = right.numbers.value(i, 0);
        if (l != r)
            return l < r ? -1 : 1;
    }
    if (left.suffix == right.suffix)
        return 0;
    if (left.suffix.isEmpty())
        return 1;
    if (right.suffix.isEmpty())
        return -1;
    return left.suffix < right.suffix ? -1 : 1;
}

QUrl safePage(const QString &link)
{
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return {};
    return url;
}

std::optional<UpdateRelease> parse(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    std::optional<UpdateRelease> best;
    QString channelLink;
    bool sawRss = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("rss")) {
            sawRss = true;
            continue;
        }
        if (reader.name() == QLatin1String("link") && reader.namespaceUri().isEmpty()) {
            channelLink = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            continue;
        }
        if (reader.name() != QLatin1String("item"))
            continue;
        UpdateRelease item;
        QString shortVersion;
        QString buildVersion;
        QString link;
        while (!reader.atEnd() && !(reader.isEndElement() && reader.name() == QLatin1String("item"))) {
            reader.readNext();
            if (!reader.isStartElement())
                continue;
            const bool namespaced = !reader.namespaceUri().isEmpty();
            const auto name = reader.name();
            if (name == QLatin1String("enclosure")) {
                for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                    if (attribute.namespaceUri().isEmpty())
                        continue;
                    if (attribute.name() == QLatin1String("shortVersionString") && shortVersion.isEmpty())
                        shortVersion = attribute.value().toString();
                    else if (attribute.name() == QLatin1String("version") && buildVersion.isEmpty())
                        buildVersion = attribute.value().toString();
                }
                continue;
            }
            const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            if (namespaced && name == QLatin1String("shortVersionString"))
                shortVersion = text;
            else if (namespaced && name == QLatin1String("version"))
                buildVersion = text;
            else if (!namespaced && name == QLatin1String("title"))
                item.title = text;
            else if (!namespaced && name == QLatin1String("description"))
                item.notes = text;
            else if (!namespaced && name == QLatin1String("link"))
                link = text;
        }
        item.version = !shortVersion.isEmpty() ? shortVersion : buildVersion;
        item.page = safePage(link.isEmpty() ? channelLink : link);
        if (!item.version.isEmpty() && (!best || compareVersions(item.version, best->version) > 0))
            best = item;
    }
    if (reader.hasError() || !sawRss)
        return std::nullopt;
    return best;
}

} // namespace UpdateFeed

Updater &Updater::shared()
{
    static Updater *updater = new Updater(UpdateFeed::configuredUrl(), QCoreApplication::applicationVersion(), qApp);
    return *updater;
}

Updater::Updater(const QUrl &feed, const QString &currentVersion, QObject *parent)
    : QObject(parent), m_feed(feed), m_current(currentVersion)
{
}

void Updater::check()
{
    if (m_feed.isEmpty()) {
        setState(State::noFeed);
        return;
    }
    if (m_state == State::checking)
        return;
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, [this] {
            m_timedOut = true;
            if (m_reply)
                m_reply->abort();
        });
    }
    m_body.clear();
    m_tooBig = false;
    m_timedOut = false;
    m_release = {};
    m_failure.clear();
    QNetworkRequest request(m_feed);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxFeedBytes) {
            m_tooBig = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        m_body += reply->readAll();
        if (m_body.size() > maxFeedBytes) {
            m_tooBig = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    m_timer->start(m_timeoutMs);
    setState(State::checking);
}

void Updater::finish(QNetworkReply *reply)
{
    m_timer->stop();
    reply->deleteLater();
    if (m_tooBig)
        return fail(L("更新源的内容超过 1 MiB，已拒绝。"));
    if (m_timedOut)
        return fail(L("更新源 %d 秒内没有回应。", (m_timeoutMs + 999) / 1000));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError && status == 0)
        return fail(L("无法连接更新源：%@", reply->errorString()));
    if (status != 200 && status != 0) // 0: no HTTP (a data: address)
        return fail(L("更新源回答 HTTP %d。", status));
    m_body += reply->readAll();
    const std::optional<UpdateRelease> newest = UpdateFeed::parse(m_body);
    m_body.clear();
    if (!newest)
        return fail(L("更新源的内容无法读取。"));
    m_release = *newest;
    setState(UpdateFeed::compareVersions(newest->version, m_current) > 0 ? State::newer : State::upToDate);
}

void Updater::fail(const QString &reason)
{
    m_body.clear();
    m_failure = reason;
    setState(State::failed);
}

void Updater::setState(State state)
{
    m_state = state;
    emit stateChanged(); // also for a repeated state: each check ends with one signal
}
