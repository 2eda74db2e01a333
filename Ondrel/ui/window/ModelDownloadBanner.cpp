#include "ModelDownloadBanner.h"

#include "BrainStatusFeed.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "ModelDownload.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using Kind = LocalBrain::Status::Kind;

namespace {
constexpr int progressSteps = 1000;
} // namespace

ModelDownloadBanner::ModelDownloadBanner(QWidget *parent)
    : Kit::Card(parent),
      m_feed(new BrainStatusFeed(this)),
      m_preparing(new QWidget(this)),
      m_preparingText(new Kit::ElidingLabel(m_preparing)),
      m_progress(new QProgressBar(m_preparing)),
      m_failed(new QWidget(this)),
      m_failedText(new Kit::ElidingLabel(m_failed)),
      m_retry(new QPushButton(m_failed))
{
    setObjectName(QStringLiteral("modelDownloadBanner"));
    setRadius(0);
    m_preparing->setObjectName(QStringLiteral("modelBannerPreparing"));
    m_preparingText->setObjectName(QStringLiteral("modelBannerPreparingText"));
    m_progress->setObjectName(QStringLiteral("modelBannerProgress"));
    m_failed->setObjectName(QStringLiteral("modelBannerFailed"));
    m_failedText->setObjectName(QStringLiteral("modelBannerFailedText"));
    m_retry->setObjectName(QStringLiteral("modelBannerRetry"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // Preparing: a row of the brain and the text, and under it the progress bar.
    Kit::setTextRole(m_preparingText, Kit::TextRole::callout);
    m_progress->setRange(0, progressSteps);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(6);
    auto *brain = new Kit::SymbolView(QStringLiteral("brain"), 16, m_preparing);
    brain->setTint(Kit::Tint::purple);
    auto *line = new QHBoxLayout;
    line->setSpacing(Kit::Space::normal);
    line->addWidget(brain);
    line->addWidget(m_preparingText, 1);
    auto *preparing = new QVBoxLayout(m_preparing);
    preparing->setContentsMargins(0, 0, 0, 0);
    preparing->setSpacing(Kit::Space::tight);
    preparing->addLayout(line);
    preparing->addWidget(m_progress);

    // Failed: the warning sign, the message, then the retry button at the far end.
    Kit::setTextRole(m_failedText, Kit::TextRole::callout);
    Kit::setForeground(m_failedText, Kit::Tint::orange);
    auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle"), 16, m_failed);
    warning->setTint(Kit::Tint::orange);
    auto *failed = new QHBoxLayout(m_failed);
    failed->setContentsMargins(0, 0, 0, 0);
    failed->setSpacing(Kit::Space::normal);
    failed->addWidget(warning);
    failed->addWidget(m_failedText, 1);
    failed->addWidget(m_retry);

    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(Kit::Space::margin, Kit::Space::normal, Kit::Space::margin, Kit::Space::normal);
    frame->addWidget(m_preparing);
    frame->addWidget(m_failed);

    connect(m_retry, &QPushButton::clicked, this, [] { ModelDownload::shared().start(); });
    connect(m_feed, &BrainStatusFeed::changed, this, &ModelDownloadBanner::refresh);
    refresh();
}

void ModelDownloadBanner::setOllamaUp(bool up)
{
    m_feed->setOllamaUp(up);
}

void ModelDownloadBanner::refresh()
{
    apply(m_feed->current());
}

void ModelDownloadBanner::apply(const LocalBrain::Status &status)
{
    m_status = status;
    const bool preparing = status.kind == Kind::preparing;
    const bool failed = status.kind == Kind::failed;
    m_preparing->setVisible(preparing);
    m_failed->setVisible(failed);
    setVisible(preparing || failed);
    if (preparing) {
        setTint(Kit::Tint::purple, 0.1);
        m_preparingText->setText(status.indeterminate
                                     ? L("正在准备本地大脑…")
                                     : L("正在准备本地大脑… %lld%%（约 2GB，仅一次）", percentOf(status.progress)));
        m_progress->setVisible(!status.indeterminate);
        const double fraction = std::isfinite(status.progress) ? std::clamp(status.progress, 0.0, 1.0) : 0.0;
        m_progress->setValue(int(fraction * progressSteps));
    }
    if (failed) {
        setTint(Kit::Tint::orange, 0.1);
        m_failedText->setText(L("本地大脑准备失败：%@", status.message));
        m_retry->setText(L("重试"));
        Kit::name(m_retry, m_retry->text());
    }
}
