#include "ItemOrder.h"

#include "NameCollator.h"

#include <QHash>
#include <QtConcurrent>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Name sort keys for every item. Making them is most of a sort's cost, so a long list is
// split over the thread pool, each part with a collator of its own thread.
std::vector<QCollatorSortKey> nameKeys(const QList<FileItem> &items, const NameCollator &collator)
{
    constexpr qsizetype partSize = 8192;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(items.size());
    if (items.size() < 2 * partSize) {
        for (const FileItem &item : items)
            keys.push_back(collator.sortKey(item.name));
        return keys;
    }
    QList<qsizetype> starts;
    for (qsizetype start = 0; start < items.size(); start += partSize)
        starts << start;
    const QLocale locale = collator.locale();
    const QList<std::vector<QCollatorSortKey>> parts =
        QtConcurrent::blockingMapped(starts, [&items, &locale, partSize](qsizetype start) {
            const NameCollator own(locale);
            std::vector<QCollatorSortKey> part;
            const qsizetype end = std::min(items.size(), start + partSize);
            part.reserve(end - start);
            for (qsizetype i = start; i < end; ++i)
                part.push_back(own.sortKey(items.at(i).name));
            return part;
        });
    for (const std::vector<QCollatorSortKey> &part : parts)
        keys.insert(keys.end(), part.begin(), part.end());
    return keys;
}

// The facts the comparisons need, made once per item and kept in compact arrays, so that a
// comparison touches a few bytes rather than two whole items.
class SortFacts
{
public:
    SortFacts(const QList<FileItem> &items, SortKey key, const NameCollator &collator)
        : m_items(items), m_key(key), m_names(nameKeys(items, collator))
    {
        m_isDir.reserve(items.size());
        m_numbers.reserve(items.size());
        if (key == SortKey::Kind)
            rankKinds(collator);
        for (const FileItem &item : items) {
            m_isDir.push_back(item.isDir);
            switch (key) {
            case SortKey::Name:
                m_numbers.push_back(0);
                break;
            case SortKey::Size:
                m_numbers.push_back(item.size);
                break;
            case SortKey::Kind:
                m_numbers.push_back(m_kindRank.value(item.kind));
                break;
            case SortKey::Date:
                m_numbers.push_back(item.created.toMSecsSinceEpoch());
                break;
            }
        }
    }

    bool before(qsizetype a, qsizetype b, bool ascending) const
    {
        if (m_key != SortKey::Date && m_isDir[a] != m_isDir[b])
            return m_isDir[a];
        return ascending ? compare(a, b) < 0 : compare(b, a) < 0;
    }

private:
    // The ascending comparison without the folders-first rule.
    int compare(qsizetype a, qsizetype b) const
    {
        if (const int order = threeWay(m_numbers[a], m_numbers[b]))
            return order;
        if (const int order = m_names[a].compare(m_names[b]))
            return order;
        if (const int order = QString::compare(m_items.at(a).name, m_items.at(b).name))
            return order;
        return QString::compare(m_items.at(a).path, m_items.at(b).path);
    }

    // Kind texts are few: each distinct text gets its position in the name order, texts
    // that compare equal share one.
    void rankKinds(const NameCollator &collator)
    {
        QStringList kinds;
        for (const FileItem &item : m_items) {
            if (!m_kindRank.contains(item.kind)) {
                m_kindRank.insert(item.kind, 0);
                kinds << item.kind;
            }
        }
        std::stable_sort(kinds.begin(), kinds.end(),
                         [&](const QString &a, const QString &b) { return collator.lessThan(a, b); });
        int rank = 0;
        for (qsizetype i = 0; i < kinds.size(); ++i) {
            if (i > 0 && collator.compare(kinds[i - 1], kinds[i]) != 0)
                ++rank;
            m_kindRank[kinds[i]] = rank;
        }
    }

    const QList<FileItem> &m_items;
    SortKey m_key;
    std::vector<QCollatorSortKey> m_names;
    std::vector<char> m_isDir;
    std::vector<qint64> m_numbers; // size, kind rank or creation time, by the key
    QHash<QString, qint64> m_kindRank;
};

} // namespace

namespace ItemOrder {

bool lessThan(const FileItem &a, const FileItem &b, SortKey key, bool ascending,
              const NameCollator &collator)
{
    const QList<FileItem> pair{a, b};
    return SortFacts(pair, key, collator).before(0, 1, ascending);
}

void sort(QList<FileItem> &items, SortKey key, bool ascending, const NameCollator &collator)
{
    if (items.size() < 2)
        return;
    std::vector<qsizetype> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    {
        const SortFacts facts(items, key, collator);
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return facts.before(a, b, ascending); });
    }
    QList<FileItem> sorted;
    sorted.reserve(items.size());
    if (items.isDetached()) {
        for (qsizetype index : order)
            sorted.push_back(std::move(items[index]));
    } else { // shared with another list: copy rather than detach the whole list first
        for (qsizetype index : order)
            sorted.push_back(items.at(index));
    }
    items = std::move(sorted);
}

void sort(QList<FileItem> &items, SortKey key, bool ascending)
{
    sort(items, key, ascending, NameCollator());
}

} // namespace ItemOrder
