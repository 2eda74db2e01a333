#include "NamingResult.h"

#include "ActionButton.h"
#include "ActionPaneModel.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "LocalBrain.h"
#include "Localization.h"
#include "ReadingRow.h"
#include "kit/NamingTierHeader.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "kit/WrappingText.h"
#include "window/BrainStatusFeed.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

NamingResult::NamingResult(ActionPaneModel &model, QWidget *parent)
    : QWidget(parent), m_state(model.state()), m_model(model), m_brain(new BrainStatusFeed(this))
{
    setObjectName(QStringLiteral("namingResult"));
    m_reading = new ReadingRow(this);

    m_card = new Kit::Card(this);
    m_card->setObjectName(QStringLiteral("proposalCard"));
    m_card->setTint(Kit::Tint::purple, 0.07);
    m_card->setRadius(11);
    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);

    // Kept name: the reason, or the fallback text.
    m_kept = new QWidget(m_card);
    m_kept->setObjectName(QStringLiteral("proposalKept"));
    auto *keptRow = new QHBoxLayout(m_kept);
    keptRow->setContentsMargins(0, 0, 0, 0);
    keptRow->setSpacing(4);
    const QFont caption = Kit::font(Kit::TextRole::caption);
    auto *info = new Kit::SymbolView(QStringLiteral("info.circle"), QFontMetrics(caption).height(), m_kept);
    info->setLevel(Kit::Level::secondary);
    m_keptText = Kit::plainLabel({}, m_kept);
    m_keptText->setObjectName(QStringLiteral("proposalKeptText"));
    m_keptText->setWordWrap(true);
    m_keptText->setFont(caption);
    Kit::setTextLevel(m_keptText, Kit::Level::secondary);
    keptRow->addWidget(info, 0, Qt::AlignTop);
    keptRow->addWidget(m_keptText, 1);
    column->addWidget(m_kept);

    // A new name: tier header, the name (selectable), apply.
    m_header = new Kit::NamingTierHeader(false, {}, true, false, m_card);
    m_newName = new Kit::WrappingText(m_card);
    m_newName->setObjectName(QStringLiteral("proposalNewName"));
    QFont nameFont = Kit::font(Kit::TextRole::subheadline);
    nameFont.setBold(true);
    m_newName->setFont(nameFont);
    m_newName->setSelectable(true);
    m_applyButton = new ActionButton(QStringLiteral("checkmark.circle.fill"), {}, Kit::Tint::purple, true, m_card);
    m_applyButton->setObjectName(QStringLiteral("applyProposal"));
    column->addWidget(m_header);
    column->addWidget(m_newName);
    column->addWidget(m_applyButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_reading);
    layout->addWidget(m_card);

    for (auto signal : {&ActionPaneModel::namingChanged, &ActionPaneModel::proposalChanged,
                        &ActionPaneModel::proposedURLChanged})
        connect(&m_model, signal, this, &NamingResult::scheduleApply);
    m_brain->setOllamaUp(m_state.ollamaUp());
    connect(&m_state, &BrowserState::ollamaUpChanged, this, [this] { m_brain->setOllamaUp(m_state.ollamaUp()); });
    connect(m_brain, &BrainStatusFeed::changed, this, &NamingResult::scheduleApply);
    connect(m_applyButton, &QAbstractButton::clicked, this, &NamingResult::applyProposal);
    Kit::retranslate(this, [this] {
        m_applyButton->setLabel(L("采用此命名"));
        m_header->setReadyTitle(L("建议命名"));
        scheduleApply();
    });
    apply();
}

void NamingResult::setItem(const FileItem &item)
{
    m_item = item;
    scheduleApply();
}

void NamingResult::scheduleApply()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        apply();
    });
}

void NamingResult::apply()
{
    const bool naming = m_model.naming() && !m_item.isDir;
    const std::optional<Proposal> proposal = m_model.proposal();
    const bool forItem = !naming && proposal && !m_model.proposedURL().isEmpty()
                         && m_model.proposedURL() == m_item.path;
    m_reading->setVisible(naming);
    m_card->setVisible(forItem);
    setVisible(naming || forItem);
    if (!forItem)
        return;
    const bool changed = proposal->changed;
    m_kept->setVisible(!changed);
    m_header->setVisible(changed);
    m_newName->setVisible(changed);
    m_applyButton->setVisible(changed);
    if (changed) {
        m_header->setReady(m_brain->current().kind == LocalBrain::Status::Kind::ready);
        m_newName->setText(proposal->newName);
    } else {
        m_keptText->setText(proposal->reason.isEmpty() ? L("没读出可命名的内容，已保留原名") : proposal->reason);
    }
}

void NamingResult::applyProposal()
{
    const std::optional<Proposal> proposal = m_model.proposal();
    if (!proposal || !proposal->changed)
        return;
    Defaults::shared().setValue(QStringLiteral("hasAcceptedRename"), true);
    m_state.rename(m_item.path, proposal->newName);
    m_model.setProposal(std::nullopt);
}
