#include "ModelSetupCard.h"

#include "ActionButton.h"
#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "window/BrainStatusFeed.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using Kind = LocalBrain::Status::Kind;

namespace {

constexpr int cardMargin = 12;
constexpr int cardRadius = 12;
constexpr double cardFill = 0.09;
constexpr int titleIcon = 16;

QVBoxLayout *column(QWidget *owner, int spacing)
{
    auto *layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// A row of a tinted symbol and a bold title, left-aligned.
QHBoxLayout *titleRow(QWidget *owner, const QString &symbol, Kit::Tint tint, QLabel *title)
{
    auto *icon = new Kit::SymbolView(symbol, titleIcon, owner);
    icon->setTint(tint);
    QFont font = Kit::font(Kit::TextRole::subheadline, title->font());
    font.setBold(true);
    title->setFont(font);
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(title, 1);
    return row;
}

} // namespace

ModelSetupCard::ModelSetupCard(BrowserState &state, ModelDownload &download, QWidget *parent)
    : Kit::Card(parent),
      m_download(download),
      m_feed(new BrainStatusFeed(download, this)),
      m_notReady(new QWidget(this)),
      m_notReadyTitle(Kit::plainLabel({}, m_notReady)),
      m_notReadyText(Kit::plainLabel({}, m_notReady)),
      m_start(new ActionButton(QStringLiteral("arrow.down.circle"), {}, Kit::Tint::purple, true, m_notReady)),
      m_preparing(new QWidget(this)),
      m_preparingTitle(Kit::plainLabel({}, m_preparing)),
      m_progress(new QProgressBar(m_preparing)),
      m_cancel(new QPushButton(m_preparing)),
      m_failed(new QWidget(this)),
      m_failedText(Kit::plainLabel({}, m_failed)),
      m_retry(new QPushButton(m_failed))
{
    setObjectName(QStringLiteral("modelSetupCard"));
    setRadius(cardRadius);
    m_notReady->setObjectName(QStringLiteral("setupNotReady"));
    m_start->setObjectName(QStringLiteral("setupStart"));
    m_preparing->setObjectName(QStringLiteral("setupPreparing"));
    m_preparingTitle->setObjectName(QStringLiteral("setupPreparingTitle"));
    m_progress->setObjectName(QStringLiteral("setupProgress"));
    m_cancel->setObjectName(QStringLiteral("setupCancel"));
    m_failed->setObjectName(QStringLiteral("setupFailed"));
    m_failedText->setObjectName(QStringLiteral("setupFailedText"));
    m_retry->setObjectName(QStringLiteral("setupRetry"));

    // Not ready: title, what the model is for, and the button that starts the download.
    Kit::setTextLevel(m_notReadyText, Kit::Level::secondary);
    Kit::setTextRole(m_notReadyText, Kit::TextRole::caption);
    m_notReadyText->setWordWrap(true);
    auto *notReady = column(m_notReady, 10);
    notReady->addLayout(titleRow(m_notReady, QStringLiteral("brain"), Kit::Tint::purple, m_notReadyTitle));
    notReady->addWidget(m_notReadyText);
    notReady->addWidget(m_start);

    // Preparing: the percentage, the bar and a quiet cancel button.
    m_progress->setRange(0, progressSteps);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(6);
    Kit::setTextRole(m_cancel, Kit::TextRole::caption);
    Kit::setTextLevel(m_cancel, Kit::Level::secondary);
    auto *preparing = column(m_preparing, 10);
    preparing->addLayout(
        titleRow(m_preparing, QStringLiteral("arrow.down.circle.fill"), Kit::Tint::accent, m_preparingTitle));
    preparing->addWidget(m_progress);
    preparing->addWidget(m_cancel, 0, Qt::AlignLeft);

    // Failed: the download's message after a warning sign, and a retry button.
    m_failedText->setWordWrap(true);
    Kit::setTextRole(m_failedText, Kit::TextRole::subheadline);
    Kit::setForeground(m_failedText, Kit::Tint::orange);
    Kit::setTextRole(m_retry, Kit::TextRole::subheadline);
    Kit::setForeground(m_retry, Kit::Tint::orange);
    auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle"), titleIcon, m_failed);
    warning->setTint(Kit::Tint::orange);
    auto *message = new QHBoxLayout;
    message->setSpacing(6);
    message->addWidget(warning, 0, Qt::AlignTop);
    message->addWidget(m_failedText, 1);
    auto *failed = column(m_failed, 8);
    failed->addLayout(message);
    failed->addWidget(m_retry, 0, Qt::AlignLeft);

    auto *frame = column(this, 0);
    frame->setContentsMargins(cardMargin, cardMargin, cardMargin, cardMargin);
    frame->addWidget(m_notReady);
    frame->addWidget(m_preparing);
    frame->addWidget(m_failed);

    connect(m_start, &ActionButton::clicked, this, [this] { m_download.start(); });
    connect(m_retry, &QPushButton::clicked, this, [this] { m_download.start(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_download.cancel(); });
    connect(m_feed, &BrainStatusFeed::changed, this, &ModelSetupCard::refresh);
    m_feed->setOllamaUp(state.ollamaUp());
    connect(&state, &BrowserState::ollamaUpChanged, this, [this, &state] { m_feed->setOllamaUp(state.ollamaUp()); });
    Kit::retranslate(this, [this] { retranslate(); });
    refresh();
}

void ModelSetupCard::refresh()
{
    apply(m_feed->current());
}

void ModelSetupCard::setOffered(bool offered)
{
    if (offered == m_offered)
        return;
    m_offered = offered;
    setVisible(m_offered && m_status.kind != Kind::ready);
}

void ModelSetupCard::retranslate()
{
    m_notReadyTitle->setText(L("准备本地大脑"));
    m_notReadyText->setText(L("Marovel 用一个纯本地小模型读懂文件内容、自动起名。一次性准备，全程本地、绝不上传。"));
    m_start->setLabel(L("准备本地大脑"));
    m_cancel->setText(L("取消"));
    Kit::name(m_cancel, m_cancel->text());
    m_retry->setText(L("重试"));
    Kit::name(m_retry, m_retry->text());
    apply(m_status);
}

void ModelSetupCard::apply(const LocalBrain::Status &status)
{
    m_status = status;
    const Kind kind = status.kind;
    setVisible(m_offered && kind != Kind::ready);
    m_notReady->setVisible(kind == Kind::notReady);
    m_preparing->setVisible(kind == Kind::preparing);
    m_failed->setVisible(kind == Kind::failed);
    switch (kind) {
    case Kind::notReady: setTint(Kit::Tint::purple, cardFill); break;
    case Kind::preparing: {
        setTint(Kit::Tint::accent, cardFill);
        // A value that is not a number shows as nothing done yet; the bar stays in range.
        const double fraction =
            status.indeterminate || !std::isfinite(status.progress) ? 0.0 : std::clamp(status.progress, 0.0, 1.0);
        m_preparingTitle->setText(L("正在准备本地大脑 %lld%%…", status.indeterminate ? 0 : percentOf(fraction)));
        m_progress->setValue(int(std::floor(fraction * progressSteps + 1e-6)));
        break;
    }
    case Kind::failed:
        setTint(Kit::Tint::orange, cardFill);
        m_failedText->setText(status.message);
        break;
    case Kind::ready: break;
    }
    emit statusApplied();
}
