#include "ItemOrder.h"

#include "NameCollator.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

template <typename T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The facts the comparisons need, made once per item.
class SortFacts
{
public:
    SortFacts(const QList<FileItem> &items, SortKey key, const NameCollator &collator)
        : m_items(items), m_key(key)
    {
        m_names.reserve(items.size());
        for (const FileItem &item : items)
            m_names.push_back(collator.sortKey(item.name));
        if (key == SortKey::Date) {
            m_created.reserve(items.size());
            for (const FileItem &item : items)
                m_created.push_back(item.created.toMSecsSinceEpoch());
        } else if (key == SortKey::Kind) {
            rankKinds(collator);
        }
    }

    bool before(qsizetype a, qsizetype b, bool ascending) const
    {
        const FileItem &x = m_items.at(a);
        const FileItem &y = m_items.at(b);
        if (m_key != SortKey::Date && x.isDir != y.isDir)
            return x.isDir;
        return ascending ? compare(a, b) < 0 : compare(b, a) < 0;
    }

private:
    // The ascending comparison without the folders-first rule.
    int compare(qsizetype a, qsizetype b) const
    {
        const FileItem &x = m_items.at(a);
        const FileItem &y = m_items.at(b);
        int order = 0;
        switch (m_key) {
        case SortKey::Name:
            break;
        case SortKey::Size:
            order = threeWay(x.size, y.size);
            break;
        case SortKey::Kind:
            order = threeWay(m_kindRank.value(x.kind), m_kindRank.value(y.kind));
            break;
        case SortKey::Date:
            order = threeWay(m_created[a], m_created[b]);
            break;
        }
        if (order == 0)
            order = m_names[a].compare(m_names[b]);
        if (order == 0)
            order = QString::compare(x.name, y.name);
        if (order == 0)
            order = QString::compare(x.path, y.path);
        return order;
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
    std::vector<qint64> m_created;
    QHash<QString, int> m_kindRank;
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
    for (qsizetype index : order)
        sorted.push_back(std::move(items[index]));
    items = std::move(sorted);
}

void sort(QList<FileItem> &items, SortKey key, bool ascending)
{
    sort(items, key, ascending, NameCollator());
}

} // namespace ItemOrder
