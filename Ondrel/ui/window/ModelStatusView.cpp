#include "ModelStatusView.h"

#include "BrainStatusFeed.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>

using Kind = LocalBrain::Status::Kind;

ModelStatusView::ModelStatusView(QWidget *parent)
    : QWidget(parent),
      m_feed(new BrainStatusFeed(this)),
      m_chip(new Kit::Chip(this)),
      m_preparing(new QWidget(this)),
      m_spinner(new Kit::Spinner(10, m_preparing)),
      m_preparingText(Kit::plainLabel({}, m_preparing))
{
    setObjectName(QStringLiteral("modelStatus"));
    m_chip->setObjectName(QStringLiteral("modelStatusChip"));
    m_preparing->setObjectName(QStringLiteral("modelStatusPreparing"));
    m_preparingText->setObjectName(QStringLiteral("modelStatusPreparingText"));
    Kit::setTextRole(m_preparingText, Kit::TextRole::caption2);
    Kit::setTextLevel(m_preparingText, Kit::Level::secondary);

    auto *preparing = new QHBoxLayout(m_preparing);
    preparing->setContentsMargins(0, 0, 0, 0);
    preparing->setSpacing(5);
    preparing->addWidget(m_spinner, 0, Qt::AlignVCenter);
    preparing->addWidget(m_preparingText, 0, Qt::AlignVCenter);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_chip);
    row->addWidget(m_preparing);

    connect(m_chip, &QAbstractButton::clicked, this, &ModelStatusView::clicked);
    connect(m_feed, &BrainStatusFeed::changed, this, &ModelStatusView::refresh);
    refresh();
}

void ModelStatusView::setOllamaUp(bool up)
{
    m_feed->setOllamaUp(up);
}

void ModelStatusView::refresh()
{
    apply(m_feed->current());
}

void ModelStatusView::apply(const LocalBrain::Status &status)
{
    m_status = status;
    const bool preparing = status.kind == Kind::preparing;
    m_chip->setVisible(!preparing);
    m_preparing->setVisible(preparing);
    switch (status.kind) {
    case Kind::preparing:
        m_preparingText->setText(status.indeterminate ? L("准备中…")
                                                      : L("准备中 %lld%%", percentOf(status.progress)));
        m_preparing->setAccessibleName(m_preparingText->text());
        break;
    case Kind::ready:
        m_chip->setDot(Kit::Tint::green);
        m_chip->setLabel(L("本地大脑就绪"));
        m_chip->setToolTip(L("读文件内容、本地起名，绝不上传（点击重检 Ollama）"));
        break;
    case Kind::failed:
        m_chip->setDot(Kit::Tint::red);
        m_chip->setLabel(L("准备失败，重试"));
        m_chip->setToolTip(L("本地大脑准备失败，点击重试"));
        break;
    case Kind::notReady:
        m_chip->setDot(Kit::Tint::orange);
        m_chip->setLabel(L("准备本地大脑"));
        m_chip->setToolTip(L("点击下载并准备本地大脑，AI 命名绝不上传文件内容"));
        break;
    }
}

void ModelStatusView::clicked()
{
    switch (m_status.kind) {
    case Kind::ready: emit recheckRequested(); break;
    case Kind::failed:
    case Kind::notReady: ModelDownload::shared().start(); break;
    case Kind::preparing: break;
    }
}
