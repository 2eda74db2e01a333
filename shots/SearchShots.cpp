// States of the content search sheet: the index off, the prompt, hits for a Chinese and an
// English query, an empty answer, an index that is scanning after a failure, and a search
// the index could not answer.
#include "ContentIndexTypes.h"
#include "Localization.h"
#include "Shots.h"
#include "search/ContentSearchDialog.h"
#include "search/ContentSearchResultRow.h"

#include <QLineEdit>
#include <QPromise>

namespace Shots {

namespace {

using Result = ContentSearchSource::Result;
using Results = ContentSearchSource::Results;

// An index with a fixed state that answers every search at once with the same hits.
class ShotSource : public ContentSearchSource
{
public:
    bool on = true;
    bool indexing = false;
    double fraction = 0;
    int count = 0;
    std::optional<QDateTime> last;
    QString error;
    Results answer;
    QString searchFailure; // when set, every search fails with it

    bool enabled() const override { return on; }
    bool isIndexing() const override { return indexing; }
    double progress() const override { return fraction; }
    std::optional<int> indexedCount() const override { return count; }
    std::optional<QDateTime> lastIndexedAt() const override { return last; }
    QString lastError() const override { return error; }
    QFuture<Results> search(const QString &) override
    {
        QPromise<Results> promise;
        promise.start();
        if (!searchFailure.isEmpty())
            promise.setException(ContentIndexError(ContentIndexError::Kind::Query, searchFailure));
        else
            promise.addResult(answer);
        promise.finish();
        return promise.future();
    }
    void rebuild() override {}
    QString sourceLabel(const QString &source) const override { return ContentIndex::sourceLabel(source); }
};

// The sheet with its source, which lives as long as the sheet.
struct SourceHolder
{
    ShotSource source;
};

class ShotSheet : private SourceHolder, public ContentSearchDialog
{
public:
    ShotSheet(const std::function<void(ShotSource &)> &prepare, const QString &query)
        : ContentSearchDialog(source)
    {
        prepare(source);
        emit source.stateChanged();
        if (!query.isEmpty())
            findChild<QLineEdit *>(QStringLiteral("searchField"))->setText(query);
    }

    bool ready() const
    {
        return !isSearching()
               && findChildren<ContentSearchResultRow *>().size() == results().size();
    }
};

Result hit(const QString &folder, const QString &name, const QString &source, const QString &snippet)
{
    Result r;
    r.id = folder + u'/' + name;
    r.url = QUrl::fromLocalFile(r.id);
    r.name = name;
    r.directory = folder;
    r.source = source;
    r.snippet = snippet;
    return r;
}

const QString longReport = QStringLiteral(
    "Quarterly report of the regional office with every appendix and the signed minutes of the meeting.pdf");

// An index that finished its last scan this morning.
void ready(ShotSource &s)
{
    s.count = 1284;
    s.last = QDateTime(QDate(2026, 3, 14), QTime(9, 26));
}

Shot sheet(const QString &state, std::function<void(ShotSource &, const QString &fixture)> prepare,
           const QString &query = {})
{
    return {QStringLiteral("search"), state,
            [prepare, query](const Context &context) -> QWidget * {
                const QString fixture = context.fixture;
                return new ShotSheet([&](ShotSource &s) { prepare(s, fixture); }, query);
            },
            [](QWidget *widget) { return static_cast<ShotSheet *>(widget)->ready(); },
            {780, 620}};
}

} // namespace

QList<Shot> searchShots()
{
    return {
        sheet(QStringLiteral("disabled"), [](ShotSource &s, const QString &) { s.on = false; }),
        sheet(QStringLiteral("prompt"), [](ShotSource &s, const QString &) { ready(s); }),
        sheet(QStringLiteral("results-zh"),
              [](ShotSource &s, const QString &fixture) {
                  ready(s);
                  s.answer = {
                      hit(fixture, QStringLiteral("二〇二四年度个人所得税综合所得汇算清缴申报表（最终确认版本）.txt"),
                          QStringLiteral("text"), QStringLiteral("[个人所得税]")),
                      hit(fixture, QStringLiteral("会议纪要.txt"), QStringLiteral("text"),
                          QStringLiteral("…时间：2024年3月1日 议题：[个人所得税]专项附加扣除的材料准备，由财务部在月底前"
                                         "汇总各部门的申报表，并与税务顾问核对继续教育、住房租金和赡养老人三项扣除的"
                                         "证明材料，逾期提交的由本人承担…")),
                      hit(fixture, QStringLiteral("Invoice 2024-03-01.pdf"), QStringLiteral("pdf-text"),
                          QStringLiteral("…Total: 128.00 EUR 其中代扣[个人所得税] 12.80 EUR…")),
                      hit(fixture, QStringLiteral("photo.png"), QStringLiteral("image-ocr"),
                          QStringLiteral("…完税证明 税种 [个人所得税] 所属期 2024-01…")),
                      hit(fixture, longReport, QString(), QString()),
                  };
              },
              QStringLiteral("个人所得税")),
        sheet(QStringLiteral("results-en"),
              [](ShotSource &s, const QString &fixture) {
                  ready(s);
                  s.answer = {
                      hit(fixture, QStringLiteral("Invoice 2024-03-01.pdf"), QStringLiteral("pdf-text"),
                          QStringLiteral("[INVOICE] No. 2024-0301 Example Trading Ltd. Total: 128.00 EUR Date: 2024-03-01")),
                      hit(fixture, QStringLiteral("notes.txt"), QStringLiteral("text"),
                          QStringLiteral("…Shopping list milk bread, then pay the [invoice] before Friday…")),
                      hit(fixture, QStringLiteral("<b>x.pdf"), QStringLiteral("pdf-text"),
                          QStringLiteral("<b>x</b> is not markup &amp; neither is this [invoice]")),
                      hit(fixture, longReport, QStringLiteral("office"),
                          QStringLiteral("…the regional office closed the quarter with every [invoice] paid on time; the "
                                         "appendix lists each supplier, the amounts, the dates of payment and the "
                                         "signatures of the two managers who approved them, followed by the minutes "
                                         "of the meeting in which the board discussed the budget for next year…")),
                      hit(fixture, QStringLiteral("a & b.txt"), QStringLiteral("text"), QString()),
                  };
              },
              QStringLiteral("invoice")),
        sheet(QStringLiteral("empty"), [](ShotSource &s, const QString &) { ready(s); },
              QStringLiteral("zorblaxite")),
        sheet(QStringLiteral("indexing-error"),
              [](ShotSource &s, const QString &) {
                  ready(s);
                  s.indexing = true;
                  s.fraction = 0.426;
                  s.error = L("本地索引读写失败：%@", QStringLiteral("disk I/O error"));
              }),
        sheet(QStringLiteral("search-failed"),
              [](ShotSource &s, const QString &) {
                  ready(s);
                  s.searchFailure = QStringLiteral("database disk image is malformed");
              },
              QStringLiteral("invoice")),
    };
}

} // namespace Shots
