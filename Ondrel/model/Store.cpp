#include "Store.h"

#include "CoreError.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "MarovelPaths.h"
#include "TextUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString recentsFile = QStringLiteral("recents.json");
const QString pinsFile = QStringLiteral("pins.json");
const QString folderViewsFile = QStringLiteral("folderviews.json");
const QString sessionFile = QStringLiteral("session.json");

// A folder path as callers hand it in, without a trailing "/" (the way a URL's path
// reads), so "/a/b/" and "/a/b" are one folder.
QString cleaned(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

QString key(const QString &path)
{
    return path.normalized(QString::NormalizationForm_C);
}

bool samePath(const QString &a, const QString &b)
{
    return a == b || TextUtil::canonicallyEqual(a, b);
}

// Whether anything is at `path`, following symbolic links as a user opening it would.
bool present(const QString &path)
{
    return QFileInfo::exists(path);
}

QJsonValue parseFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileSystemError(path);
    return JsonCoding::parse(file.readAll(), path);
}

double number(const JsonCoding::Reader &reader, const QString &name)
{
    const QJsonValue value = reader.value(name);
    if (!value.isDouble())
        reader.fail(name, QStringLiteral("number"));
    return value.toDouble();
}

bool boolean(const JsonCoding::Reader &reader, const QString &name)
{
    const QJsonValue value = reader.value(name);
    if (!value.isBool())
        reader.fail(name, QStringLiteral("bool"));
    return value.toBool();
}

QStringList strings(const QJsonArray &array, const QString &context)
{
    QStringList list;
    for (const QJsonValue &value : array) {
        if (!value.isString())
            throw DecodingError(context);
        list.append(value.toString());
    }
    return list;
}

} // namespace

QDateTime Store::Recent::lastDate() const
{
    return TextUtil::dateFromSecondsSince2001(last);
}

Store &Store::shared()
{
    static Store *instance = [] {
        auto *store = new Store;
        if (auto *app = QCoreApplication::instance()) {
            store->moveToThread(app->thread());
            QObject::connect(app, &QCoreApplication::aboutToQuit, store, [store] { store->flush(); });
        }
        return store;
    }();
    return *instance;
}

Store::Store(QObject *parent) : QObject(parent), m_dir(MarovelPaths::appSupport())
{
    FileSystem::makePath(m_dir); // a failure shows when a file is written
    load();
}

Store::~Store()
{
    flush();
}

void Store::load()
{
    // Each file stands alone: one that cannot be read or decoded leaves only its own
    // value empty. Nothing is written while loading.
    try {
        QList<Recent> recents;
        for (const QJsonValue &value :
             JsonCoding::Reader::arrayValue(parseFile(m_dir + u'/' + recentsFile), recentsFile)) {
            const JsonCoding::Reader reader(value, recentsFile);
            recents.append({reader.string(QStringLiteral("path")), number(reader, QStringLiteral("last")),
                            reader.integer(QStringLiteral("hits"))});
        }
        m_recents = recents;
    } catch (const MarovelError &) {
    }

    try {
        m_pins = strings(JsonCoding::Reader::arrayValue(parseFile(m_dir + u'/' + pinsFile), pinsFile),
                         pinsFile);
    } catch (const MarovelError &) {
    }

    try {
        const QJsonValue document = parseFile(m_dir + u'/' + folderViewsFile);
        if (!document.isObject())
            throw DecodingError(folderViewsFile);
        const QJsonObject object = document.toObject();
        QHash<QString, StoredView> views;
        for (auto it = object.begin(); it != object.end(); ++it) {
            const JsonCoding::Reader reader(it.value(), folderViewsFile);
            const FView view{reader.string(QStringLiteral("sortKey")), boolean(reader, QStringLiteral("asc")),
                             number(reader, QStringLiteral("last"))};
            views.insert(key(it.key()), {it.key(), view});
        }
        m_folderViews = views;
    } catch (const MarovelError &) {
    }

    try {
        const JsonCoding::Reader reader(parseFile(m_dir + u'/' + sessionFile), sessionFile);
        m_session = Session{strings(reader.array(QStringLiteral("panes")), sessionFile),
                            reader.string(QStringLiteral("layout")), reader.integer(QStringLiteral("active"))};
    } catch (const MarovelError &) {
    }
}

double Store::now()
{
    return TextUtil::secondsSince2001(QDateTime::currentDateTimeUtc());
}

double Store::score(const Recent &recent, double now)
{
    const double days = std::max(0.0, (now - recent.last) / 86400.0);
    return double(recent.hits) * std::exp2(-days / 30.0);
}

QList<Store::Recent> Store::scoreOrder(QList<Recent> recents, double now)
{
    // Scores are computed once, before sorting, so the comparison stays consistent for
    // the whole sort even as the clock moves.
    QList<std::pair<double, qsizetype>> order;
    order.reserve(recents.size());
    for (qsizetype i = 0; i < recents.size(); ++i)
        order.append({score(recents[i], now), i});
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return b.first < a.first; });
    QList<Recent> sorted;
    sorted.reserve(recents.size());
    for (const auto &[value, index] : order)
        sorted.append(std::move(recents[index]));
    return sorted;
}

void Store::togglePin(const QString &given)
{
    const QString path = cleaned(given);
    if (path.isEmpty())
        return;
    const auto found = std::find_if(m_pins.begin(), m_pins.end(),
                                    [&](const QString &pin) { return samePath(pin, path); });
    if (found != m_pins.end())
        m_pins.erase(found);
    else
        m_pins.append(path);
    persist(pinsFile, encodePins());
    emit pinsChanged();
}

bool Store::isPinned(const QString &given) const
{
    const QString path = cleaned(given);
    return std::any_of(m_pins.cbegin(), m_pins.cend(),
                       [&](const QString &pin) { return samePath(pin, path); });
}

QStringList Store::pinnedPaths() const
{
    QStringList paths;
    for (const QString &pin : m_pins) {
        if (present(pin))
            paths.append(pin);
    }
    return paths;
}

void Store::recordVisit(const QString &given)
{
    const QString path = cleaned(given);
    if (path.isEmpty() || samePath(path, QDir::cleanPath(QDir::homePath())))
        return;
    const double time = now();
    const auto found = std::find_if(m_recents.begin(), m_recents.end(),
                                    [&](const Recent &recent) { return samePath(recent.path, path); });
    if (found != m_recents.end()) {
        if (found->hits < std::numeric_limits<qint64>::max())
            ++found->hits;
        found->last = time;
    } else {
        m_recents.append({path, time, 1});
    }
    if (m_recents.size() > maxRecents) {
        m_recents = scoreOrder(std::move(m_recents), time);
        m_recents.resize(maxRecents);
    }
    persist(recentsFile, encodeRecents());
    emit recentsChanged();
}

QStringList Store::topRecents(int n) const
{
    QStringList result;
    if (n <= 0)
        return result;
    QSet<QString> pinned;
    for (const QString &pin : m_pins)
        pinned.insert(key(pin));
    QList<Recent> candidates;
    for (const Recent &recent : m_recents) {
        if (!pinned.contains(key(recent.path)))
            candidates.append(recent);
    }
    // Sorting first and testing existence while walking gives the same list as filtering
    // first (the sort is stable) but touches the file system only for the entries shown.
    for (const Recent &recent : scoreOrder(std::move(candidates), now())) {
        if (result.size() == n)
            break;
        if (present(recent.path))
            result.append(recent.path);
    }
    return result;
}

std::optional<Store::FView> Store::sortFor(const QString &path) const
{
    const auto it = m_folderViews.constFind(key(cleaned(path)));
    if (it == m_folderViews.constEnd())
        return std::nullopt;
    return it->view;
}

void Store::setSort(const QString &given, const QString &sortKey, bool asc)
{
    const QString path = cleaned(given);
    if (path.isEmpty())
        return;
    const QString mapKey = key(path);
    const FView view{sortKey, asc, now()};
    const auto it = m_folderViews.find(mapKey);
    if (it != m_folderViews.end())
        it->view = view;
    else
        m_folderViews.insert(mapKey, {path, view});

    if (m_folderViews.size() > maxFolderViews) {
        QList<QHash<QString, StoredView>::const_iterator> entries;
        for (auto entry = m_folderViews.cbegin(); entry != m_folderViews.cend(); ++entry)
            entries.append(entry);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto &a, const auto &b) { return a->view.last > b->view.last; });
        QHash<QString, StoredView> kept;
        for (qsizetype i = 0; i < keptFolderViews; ++i)
            kept.insert(entries[i].key(), entries[i].value());
        m_folderViews = std::move(kept);
    }
    persist(folderViewsFile, encodeFolderViews());
}

void Store::saveSession(const Session &session)
{
    const bool changed = m_session != session;
    m_session = session;
    persist(sessionFile, encodeSession());
    if (changed)
        emit sessionChanged();
}

void Store::clearRecents()
{
    const bool changed = !m_recents.isEmpty();
    m_recents.clear();
    persist(recentsFile, encodeRecents());
    if (changed)
        emit recentsChanged();
}

void Store::clearPins()
{
    const bool changed = !m_pins.isEmpty();
    m_pins.clear();
    persist(pinsFile, encodePins());
    if (changed)
        emit pinsChanged();
}

QByteArray Store::encodeRecents() const
{
    QJsonArray array;
    for (const Recent &recent : m_recents)
        array.append(QJsonObject{{QStringLiteral("path"), recent.path},
                                 {QStringLiteral("last"), recent.last},
                                 {QStringLiteral("hits"), recent.hits}});
    return JsonCoding::compact(array);
}

QByteArray Store::encodePins() const
{
    return JsonCoding::compact(QJsonArray::fromStringList(m_pins));
}

QByteArray Store::encodeFolderViews() const
{
    QJsonObject object;
    for (const StoredView &stored : m_folderViews)
        object.insert(stored.path, QJsonObject{{QStringLiteral("sortKey"), stored.view.sortKey},
                                               {QStringLiteral("asc"), stored.view.asc},
                                               {QStringLiteral("last"), stored.view.last}});
    return JsonCoding::compact(object);
}

QByteArray Store::encodeSession() const
{
    if (!m_session)
        return QByteArrayLiteral("null");
    return JsonCoding::compact(QJsonObject{{QStringLiteral("panes"), QJsonArray::fromStringList(m_session->panes)},
                                           {QStringLiteral("layout"), m_session->layout},
                                           {QStringLiteral("active"), m_session->active}});
}

void Store::persist(const QString &name, const QByteArray &bytes)
{
    // The snapshot replaces any older one still waiting; each queued job writes whatever
    // is newest for its file, so the file ends with the latest state whatever the timing.
    {
        QMutexLocker locker(&m_pendingLock);
        m_pending.insert(name, bytes);
    }
    m_writer.post([this, name] {
        QByteArray snapshot;
        {
            QMutexLocker locker(&m_pendingLock);
            const auto it = m_pending.find(name);
            if (it == m_pending.end())
                return; // an earlier job already wrote the newest snapshot
            snapshot = std::move(it.value());
            m_pending.erase(it);
        }
        const QString path = m_dir + u'/' + name;
        int error = FileSystem::makePath(m_dir);
        if (!error)
            error = FileSystem::writeAtomically(path, snapshot);
        if (m_failures.note(path, error))
            emit writeFailed(path, error);
    });
}

void Store::flush()
{
    m_writer.waitForIdle();
}
