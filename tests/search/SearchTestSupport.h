#pragma once

#include "search/ContentSearchSource.h"

#include <QPromise>

#include <memory>

namespace SearchTest {

using Result = ContentSearchSource::Result;
using Results = ContentSearchSource::Results;

inline Result hit(const QString &path, const QString &snippet = {},
                  const QString &source = QStringLiteral("text"))
{
    Result r;
    r.id = path;
    r.url = QUrl::fromLocalFile(path);
    r.name = path.section(u'/', -1);
    r.directory = path.section(u'/', 0, -2);
    r.source = source;
    r.snippet = snippet;
    return r;
}

// A content index the test drives: its state is set by hand, every search is recorded
// and answered only when the test calls answer(), in any order.
class FakeSource : public ContentSearchSource
{
public:
    struct Call
    {
        QString query;
        std::shared_ptr<QPromise<Results>> promise;
    };

    bool enabled() const override { return m_enabled; }
    bool isIndexing() const override { return m_indexing; }
    double progress() const override { return m_progress; }
    std::optional<int> indexedCount() const override { return m_count; }
    std::optional<QDateTime> lastIndexedAt() const override { return m_last; }
    QString lastError() const override { return m_error; }
    QFuture<Results> search(const QString &query) override
    {
        auto promise = std::make_shared<QPromise<Results>>();
        promise->start();
        calls.append({query, promise});
        return promise->future();
    }
    void rebuild() override { ++rebuilds; }
    QString sourceLabel(const QString &source) const override
    {
        return QStringLiteral("label:") + source;
    }

    void answer(int call, const Results &results)
    {
        calls[call].promise->addResult(results);
        calls[call].promise->finish();
    }
    void fail(int call, const QException &error)
    {
        calls[call].promise->setException(error);
        calls[call].promise->finish();
    }
    QStringList queries() const
    {
        QStringList list;
        for (const Call &c : calls)
            list << c.query;
        return list;
    }

    void setEnabled(bool on) { m_enabled = on; emit stateChanged(); }
    void setIndexing(bool on, double progress = 0)
    {
        m_indexing = on;
        m_progress = progress;
        emit stateChanged();
    }
    void setLast(std::optional<QDateTime> last, std::optional<int> count)
    {
        m_last = last;
        m_count = count;
        emit stateChanged();
    }
    void setError(const QString &error) { m_error = error; emit stateChanged(); }

    QList<Call> calls;
    int rebuilds = 0;

private:
    bool m_enabled = true;
    bool m_indexing = false;
    double m_progress = 0;
    std::optional<int> m_count = 0;
    std::optional<QDateTime> m_last;
    QString m_error;
};

} // namespace SearchTest
