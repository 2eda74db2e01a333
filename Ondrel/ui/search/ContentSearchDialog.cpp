#include "ContentSearchDialog.h"

#include "ContentSearchResultRow.h"
#include "Localization.h"
#include "Opener.h"
#include "IndexFutures.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Rows built at once when an answer arrives (more than the list shows), then per turn of
// the event loop, so a full answer never holds up typing.
constexpr int firstRows = 12;
constexpr int rowsPerTurn = 16;

QToolButton *smallButton(const QString &objectName, QWidget *parent)
{
    QToolButton *button = Kit::plainButton(parent);
    button->setObjectName(objectName);
    button->setAutoRaise(false);
    return button;
}

QLabel *textLabel(const QString &objectName, Kit::TextRole role, Kit::Level level, QWidget *parent)
{
    QLabel *label = Kit::plainLabel(QString(), parent);
    label->setObjectName(objectName);
    Kit::setTextRole(label, role);
    if (level != Kit::Level::primary)
        Kit::setTextLevel(label, level);
    return label;
}

} // namespace

ContentSearchDialog::ContentSearchDialog(ContentSearchSource &source, QWidget *parent)
    : QDialog(parent), m_source(source)
{
    setObjectName(QStringLiteral("contentSearchDialog"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(780, 620);

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(debounceMs);
    m_debounce.setTimerType(Qt::PreciseTimer);
    m_fill.setSingleShot(true);
    m_fill.setInterval(0);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(Kit::divider(Qt::Horizontal, this));
    m_area = new QStackedWidget(this);
    m_area->setObjectName(QStringLiteral("searchArea"));
    m_disabled = buildDisabledState();
    m_resultsArea = buildResultsArea();
    m_area->addWidget(m_disabled);
    m_area->addWidget(m_resultsArea);
    column->addWidget(m_area, 1);

    connect(m_field, &QLineEdit::textChanged, this, &ContentSearchDialog::queryEdited);
    connect(m_field, &QLineEdit::returnPressed, this, &ContentSearchDialog::searchNow);
    connect(m_clear, &QToolButton::clicked, m_field, &QLineEdit::clear);
    connect(m_done, &QToolButton::clicked, this, &QDialog::reject);
    connect(m_rebuild, &QToolButton::clicked, this, [this] { m_source.rebuild(); });
    connect(m_openSettingsButton, &QPushButton::clicked, this, [this] {
        if (m_openSettings)
            m_openSettings();
    });
    connect(&m_debounce, &QTimer::timeout, this, [this] {
        search(trimmedQuery());
    });
    connect(&m_fill, &QTimer::timeout, this, &ContentSearchDialog::fillRows);
    connect(&m_source, &ContentSearchSource::stateChanged, this,
            &ContentSearchDialog::applyIndexState);

    Kit::retranslate(this, [this] { retranslate(); });
    paintProminent();
    applyContent();
}

QWidget *ContentSearchDialog::buildHeader()
{
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("searchHeader"));

    auto *symbol = new Kit::SymbolView(QStringLiteral("text.magnifyingglass"), 22, header);
    symbol->setTint(Kit::Tint::accent);
    m_title = textLabel(QStringLiteral("searchTitle"), Kit::TextRole::headline, Kit::Level::primary, header);
    m_subtitle = textLabel(QStringLiteral("searchSubtitle"), Kit::TextRole::caption,
                           Kit::Level::secondary, header);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(Kit::Space::hairline);
    titles->addWidget(m_title);
    titles->addWidget(m_subtitle);
    m_done = smallButton(QStringLiteral("doneButton"), header);
    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addWidget(symbol, 0, Qt::AlignVCenter);
    titleRow->addLayout(titles);
    titleRow->addStretch(1);
    titleRow->addWidget(m_done, 0, Qt::AlignVCenter);

    // The search field on the control background, with its clear button.
    auto *field = new Kit::Card(header);
    field->setObjectName(QStringLiteral("searchFieldCard"));
    field->setNeutral();
    field->setRadius(8);
    auto *magnifier = new Kit::SymbolView(QStringLiteral("magnifyingglass"), 14, field);
    magnifier->setTint(Kit::Tint::gray);
    m_field = new QLineEdit(field);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setFrame(false);
    m_field->setStyleSheet(QStringLiteral("background: transparent"));
    m_clear = Kit::iconButton(QStringLiteral("xmark.circle.fill"), field);
    m_clear->setObjectName(QStringLiteral("searchClear"));
    m_clear->setIconSize({14, 14});
    auto *fieldRow = new QHBoxLayout(field);
    fieldRow->setContentsMargins(10, Kit::Space::normal, 10, Kit::Space::normal);
    fieldRow->setSpacing(Kit::Space::normal);
    fieldRow->addWidget(magnifier);
    fieldRow->addWidget(m_field, 1);
    fieldRow->addWidget(m_clear);

    auto *layout = new QVBoxLayout(header);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(10);
    layout->addLayout(titleRow);
    layout->addWidget(field);
    return header;
}

QWidget *ContentSearchDialog::buildDisabledState()
{
    auto *state = new QWidget(this);
    state->setObjectName(QStringLiteral("disabledState"));
    auto *symbol = new Kit::SymbolView(QStringLiteral("doc.text.magnifyingglass"), 42, state);
    symbol->setTint(Kit::Tint::gray);
    m_disabledTitle = textLabel(QStringLiteral("disabledTitle"), Kit::TextRole::headline,
                                Kit::Level::primary, state);
    m_disabledText = textLabel(QStringLiteral("disabledText"), Kit::TextRole::callout,
                               Kit::Level::secondary, state);
    m_disabledText->setAlignment(Qt::AlignHCenter);
    m_openSettingsButton = new QPushButton(state);
    m_openSettingsButton->setObjectName(QStringLiteral("openSettingsButton"));
    m_openSettingsButton->setIcon(Kit::icon(QStringLiteral("gearshape"), Qt::white));
    // Return in the field searches; it must never press a button of the sheet.
    m_openSettingsButton->setAutoDefault(false);
    m_openSettingsButton->setVisible(false);

    auto *layout = new QVBoxLayout(state);
    layout->setSpacing(Kit::Space::wide);
    layout->addStretch(1);
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(m_disabledTitle, 0, Qt::AlignHCenter);
    layout->addWidget(m_disabledText, 0, Qt::AlignHCenter);
    layout->addWidget(m_openSettingsButton, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return state;
}

QWidget *ContentSearchDialog::buildMessageState(const QString &objectName, const QString &symbolName,
                                                QLabel **title, QLabel **line)
{
    auto *state = new QWidget(this);
    state->setObjectName(objectName);
    auto *symbol = new Kit::SymbolView(symbolName, 34, state);
    symbol->setTint(Kit::Tint::gray);
    *title = textLabel(objectName + QStringLiteral("Title"), Kit::TextRole::headline,
                       Kit::Level::primary, state);
    *line = textLabel(objectName + QStringLiteral("Line"), Kit::TextRole::callout,
                      Kit::Level::secondary, state);
    (*line)->setAlignment(Qt::AlignHCenter);
    (*line)->setWordWrap(true);
    auto *layout = new QVBoxLayout(state);
    layout->setSpacing(10);
    layout->addStretch(1);
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    layout->addWidget(*title, 0, Qt::AlignHCenter);
    layout->addWidget(*line); // full width, so the wrapped line gets the height it needs
    layout->addStretch(1);
    return state;
}

QWidget *ContentSearchDialog::buildResultsArea()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("resultsArea"));

    // Status row: progress while indexing, the status text, the busy indicator, rebuild.
    m_progress = new QProgressBar(area);
    m_progress->setObjectName(QStringLiteral("indexProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(100, 8);
    m_status = textLabel(QStringLiteral("statusText"), Kit::TextRole::caption, Kit::Level::secondary, area);
    m_busy = new Kit::Spinner(12, area);
    m_busy->setObjectName(QStringLiteral("searchBusy"));
    m_rebuild = smallButton(QStringLiteral("rebuildButton"), area);
    m_rebuild->setFont(Kit::font(Kit::TextRole::caption));
    auto *statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(18, 9, 18, 9);
    statusRow->setSpacing(Kit::Space::normal);
    statusRow->addWidget(m_progress, 0, Qt::AlignVCenter);
    statusRow->addWidget(m_status);
    statusRow->addStretch(1);
    statusRow->addWidget(m_busy, 0, Qt::AlignVCenter);
    statusRow->addWidget(m_rebuild);

    // The index's error, verbatim, in orange.
    m_errorLine = new QWidget(area);
    m_errorLine->setObjectName(QStringLiteral("errorLine"));
    auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle"), 12, m_errorLine);
    warning->setTint(Kit::Tint::orange);
    m_errorText = Kit::plainLabel(QString(), m_errorLine);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    Kit::setTextRole(m_errorText, Kit::TextRole::caption);
    Kit::setForeground(m_errorText, Kit::Tint::orange);
    auto *errorRow = new QHBoxLayout(m_errorLine);
    errorRow->setContentsMargins(18, 0, 18, 7);
    errorRow->setSpacing(Kit::Space::tight);
    errorRow->addWidget(warning, 0, Qt::AlignTop);
    errorRow->addWidget(m_errorText, 1);

    // Content: the prompt, the list of hits or the empty answer.
    m_content = new QStackedWidget(area);
    m_content->setObjectName(QStringLiteral("searchContent"));
    m_prompt = buildMessageState(QStringLiteral("promptState"), QStringLiteral("sparkle.magnifyingglass"),
                                 &m_promptTitle, &m_promptLine);
    m_empty = buildMessageState(QStringLiteral("emptyResultState"), QStringLiteral("questionmark.folder"),
                                &m_emptyTitle, &m_emptyLine);
    m_list = new QScrollArea(area);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setWidgetResizable(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *rows = new QWidget(m_list);
    rows->setObjectName(QStringLiteral("resultRows"));
    m_rows = new QVBoxLayout(rows);
    m_rows->setContentsMargins(10, 4, 10, 4);
    m_rows->setSpacing(0);
    m_rows->addStretch(1);
    m_list->setWidget(rows);
    m_content->addWidget(m_prompt);
    m_content->addWidget(m_list);
    m_content->addWidget(m_empty);

    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(statusRow);
    layout->addWidget(m_errorLine);
    layout->addWidget(m_content, 1);
    return area;
}

void ContentSearchDialog::setLocator(std::function<void(const QUrl &)> locate)
{
    m_locate = std::move(locate);
}

void ContentSearchDialog::setSettingsOpener(std::function<void()> open)
{
    m_openSettings = std::move(open);
    m_openSettingsButton->setVisible(bool(m_openSettings));
}

bool ContentSearchDialog::isSearching() const
{
    // The pause before a search belongs to it: the sheet never says "nothing found" for a
    // text it has not searched yet.
    return m_debounce.isActive() || m_outstanding.value(trimmedQuery()) > 0;
}

qint64 ContentSearchDialog::percentOf(double progress)
{
    if (!std::isfinite(progress))
        return 0;
    // The tiny allowance keeps 0.29 × 100 = 28.999… from showing 28.
    const double percent = std::floor(progress * 100.0 + 1e-9);
    return qint64(std::clamp(percent, 0.0, 100.0));
}

QString ContentSearchDialog::trimmedQuery() const
{
    return m_field->text().trimmed();
}

void ContentSearchDialog::retranslate()
{
    setWindowTitle(L("搜索文件内容"));
    m_title->setText(L("搜索文件内容"));
    m_subtitle->setText(L("在文件名、PDF/OCR、Office 和文本正文中查找"));
    m_done->setText(L("完成"));
    Kit::name(m_done, L("完成"));
    m_field->setPlaceholderText(L("例如：违约金、杭州盈阳酒店、招商银行"));
    Kit::name(m_field, L("搜索文件内容"));
    Kit::name(m_clear, L("清除搜索"));
    m_disabledTitle->setText(L("本地内容索引尚未开启"));
    m_disabledText->setText(L("开启后，Marovel 会在本机抽取文件内容并建立索引。\n文件内容、文件名和路径都不会上传。"));
    m_openSettingsButton->setText(L("打开设置并开启"));
    Kit::name(m_openSettingsButton, L("打开设置并开启"));
    m_rebuild->setText(L("重建索引"));
    Kit::name(m_rebuild, L("重建索引"));
    Kit::name(m_busy, L("正在搜索"));
    m_promptTitle->setText(L("搜索你记得的关键词，不必记得文件名"));
    m_promptLine->setText(L("例如“违约金”“杭州盈阳酒店”“招商银行”"));
    m_emptyTitle->setText(L("没有找到匹配文件"));
    m_emptyLine->setText(L("可以换一个更短的关键词，或到设置里确认索引文件夹。"));
    applyIndexState();
}

void ContentSearchDialog::applyIndexState()
{
    m_area->setCurrentWidget(m_source.enabled() ? m_resultsArea : m_disabled);

    const bool indexing = m_source.isIndexing();
    m_progress->setVisible(indexing);
    if (indexing) {
        const qint64 percent = percentOf(m_source.progress());
        const double fraction = std::isfinite(m_source.progress()) ? m_source.progress() : 0.0;
        m_progress->setValue(qRound(std::clamp(fraction, 0.0, 1.0) * 1000));
        m_status->setText(L("正在建立索引… %lld%%", percent));
    } else if (const std::optional<QDateTime> last = m_source.lastIndexedAt()) {
        const QString when = QLocale::system().toString(last->toLocalTime(), QLocale::ShortFormat);
        const std::optional<int> count = m_source.indexedCount();
        m_status->setText(count ? L("已索引 %lld 个文件 · 最近更新 %@", qlonglong(*count), when)
                                : L("无法读取已索引文件数 · 最近更新 %@", when));
    } else {
        m_status->setText(L("索引准备中…"));
    }
    m_rebuild->setEnabled(!indexing);
    applyErrorLine();
}

void ContentSearchDialog::applyErrorLine()
{
    // The failed search of the text on show first: it is why the list is empty.
    const QString error = m_searchError.isEmpty() ? m_source.lastError() : m_searchError;
    m_errorText->setText(error);
    m_errorLine->setVisible(!error.isEmpty());
}

void ContentSearchDialog::applyContent()
{
    m_clear->setVisible(!m_field->text().isEmpty());
    const bool searching = isSearching();
    m_busy->setVisible(searching);
    if (trimmedQuery().isEmpty())
        m_content->setCurrentWidget(m_prompt);
    else if (!m_results.isEmpty() || searching || !m_searchError.isEmpty())
        m_content->setCurrentWidget(m_list);
    else
        m_content->setCurrentWidget(m_empty);
}

void ContentSearchDialog::queryEdited()
{
    if (trimmedQuery().isEmpty()) {
        m_debounce.stop();
        showResults({});
    } else {
        m_debounce.start(); // every change starts the pause again
    }
    applyContent();
}

void ContentSearchDialog::searchNow()
{
    const QString query = trimmedQuery();
    if (!query.isEmpty())
        search(query);
}

void ContentSearchDialog::search(const QString &query)
{
    ++m_outstanding[query];
    const auto answered = [this, query, generation = m_generation](QFuture<Results> future) {
        if (generation != m_generation)
            return; // the sheet was closed since
        Results answer; // a cancelled search answers nothing
        QString failure;
        try {
            future.waitForFinished(); // throws the search's failure
            if (!future.isCanceled() && future.resultCount() > 0)
                answer = future.result();
        } catch (const ContentIndexError &error) {
            failure = error.description();
        } catch (...) {
            failure = L("内容搜索失败");
        }
        if (--m_outstanding[query] <= 0)
            m_outstanding.remove(query);
        if (query == trimmedQuery()) {
            showResults(answer);
            m_searchError = failure;
            applyErrorLine();
        }
        applyContent();
    };
    IndexFutures::whenReady(m_source.search(query), this, answered);
    applyContent();
}

void ContentSearchDialog::showResults(const Results &results)
{
    m_fill.stop();
    m_results = results;
    if (!std::exchange(m_searchError, QString()).isEmpty())
        applyErrorLine();
    // Remove the rows on show; the stretch at the end stays.
    while (m_rows->count() > 1) {
        QLayoutItem *item = m_rows->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_filled = 0;
    m_list->verticalScrollBar()->setValue(0);
    fillRows();
}

void ContentSearchDialog::fillRows()
{
    const int end = int(std::min<qsizetype>(m_results.size(), m_filled + (m_filled == 0 ? firstRows : rowsPerTurn)));
    QWidget *container = m_list->widget();
    for (; m_filled < end; ++m_filled) {
        const ContentIndex::SearchResult &result = m_results.at(m_filled);
        if (m_filled > 0)
            m_rows->insertWidget(m_rows->count() - 1, Kit::divider(Qt::Horizontal, container));
        auto *row = new ContentSearchResultRow(result, m_source.sourceLabel(result.source), container);
        const QUrl url = result.url;
        connect(row, &ContentSearchResultRow::revealRequested, this, [this, url] { locate(url); });
        connect(row, &ContentSearchResultRow::openRequested, this, [url] { Opener::openUrl(url); });
        m_rows->insertWidget(m_rows->count() - 1, row);
    }
    if (m_filled < m_results.size())
        m_fill.start();
    else
        emit rowsFilled();
}

void ContentSearchDialog::locate(const QUrl &url)
{
    if (m_locate)
        m_locate(url);
}

void ContentSearchDialog::done(int result)
{
    // Fresh state for the next showing; answers still on their way are dropped.
    ++m_generation;
    m_outstanding.clear();
    m_debounce.stop();
    {
        const QSignalBlocker quiet(m_field);
        m_field->clear();
    }
    showResults({});
    applyContent();
    QDialog::done(result);
}

void ContentSearchDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_field->setFocus(Qt::OtherFocusReason);
}

void ContentSearchDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        paintProminent();
}

void ContentSearchDialog::paintProminent()
{
    // The settings button is the sheet's one prominent control: accent fill, white text.
    QPalette palette = m_openSettingsButton->palette();
    palette.setColor(QPalette::Button, Kit::tint(Kit::Tint::accent, this->palette()));
    palette.setColor(QPalette::ButtonText, Qt::white);
    m_openSettingsButton->setPalette(palette);
}
