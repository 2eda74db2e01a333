#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>

// The order in which the interface lists names: digits by value ("Tool 9" before
// "Tool 10"), case ignored, by the rules of the interface language. One instance is
// used from one thread; make sort keys once per item when sorting many names.
class NameCollator
{
public:
    // The interface language of the moment (zh-Hans or en).
    NameCollator();
    explicit NameCollator(const QLocale &locale);

    int compare(const QString &a, const QString &b) const { return m_collator.compare(a, b); }
    bool lessThan(const QString &a, const QString &b) const { return compare(a, b) < 0; }
    QCollatorSortKey sortKey(const QString &name) const { return m_collator.sortKey(name); }
    QLocale locale() const { return m_collator.locale(); }

    static QLocale interfaceLocale();

private:
    QCollator m_collator;
};
