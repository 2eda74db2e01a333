#pragma once

#include "ContentIndex.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// What the content search window needs of the content index: its observable state, a
// search that answers later and a rebuild. The application hands it the shared index
// through ContentIndexSource; tests hand it a double that counts and delays calls.
class ContentSearchSource : public QObject
{
    Q_OBJECT

public:
    using Result = ContentIndex::SearchResult;
    using Results = QList<Result>;

    using QObject::QObject;

    virtual bool enabled() const = 0;
    virtual bool isIndexing() const = 0;
    virtual double progress() const = 0; // 0 … 1 while indexing
    virtual std::optional<int> indexedCount() const = 0; // none: could not be counted
    virtual std::optional<QDateTime> lastIndexedAt() const = 0;
    virtual QString lastError() const = 0; // empty: no error

    // At most 100 hits; an empty list when off or for an empty query. A search that could
    // not be answered fails its future, with a ContentIndexError when the index knows why.
    // The future finishes on the GUI thread and never makes the caller wait.
    virtual QFuture<Results> search(const QString &query) = 0;
    virtual void rebuild() = 0;
    // The short label of an extraction source code ("pdf-text" → "PDF 文本").
    virtual QString sourceLabel(const QString &source) const = 0;

signals:
    // One of the observable values above changed.
    void stateChanged();
};

// The window's source over a ContentIndex (in the application, ContentIndex::shared()).
class ContentIndexSource : public ContentSearchSource
{
    Q_OBJECT

public:
    explicit ContentIndexSource(ContentIndex &index, QObject *parent = nullptr);
    // Over ContentIndex::shared(); made on first use, on the GUI thread, and kept.
    static ContentIndexSource &shared();

    bool enabled() const override { return m_index.enabled(); }
    bool isIndexing() const override { return m_index.isIndexing(); }
    double progress() const override { return m_index.progress(); }
    std::optional<int> indexedCount() const override { return m_index.indexedCount(); }
    std::optional<QDateTime> lastIndexedAt() const override { return m_index.lastIndexedAt(); }
    QString lastError() const override { return m_index.lastError(); }
    QFuture<Results> search(const QString &query) override { return m_index.search(query); }
    void rebuild() override { m_index.rebuild(); }
    QString sourceLabel(const QString &source) const override
    {
        return ContentIndex::sourceLabel(source);
    }

private:
    ContentIndex &m_index;
};
