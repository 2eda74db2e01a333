#include "SingleItemView.h"

#include "ActionButton.h"
#include "ActionGrid.h"
#include "ActionPaneModel.h"
#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "ItemNameLabel.h"
#include "Localization.h"
#include "ModelSetupCard.h"
#include "NamingResult.h"
#include "OpenWithButton.h"
#include "ScenarioCard.h"
#include "kit/TagDots.h"
#include "kit/Thumb.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int summarySpacing = 4;
constexpr int engineIcon = 11;

const QString separator = QStringLiteral(" \u00b7 ");

} // namespace

SingleItemView::SingleItemView(ActionPaneModel &model, ModelDownload &download, QWidget *parent)
    : QWidget(parent),
      m_model(model),
      m_thumb(new Thumb(model.state(), this)),
      m_name(new ItemNameLabel(this)),
      m_info(Kit::plainLabel({}, this)),
      m_tags(new TagDots({}, this)),
      m_setupCard(new ModelSetupCard(model.state(), download, this)),
      m_scenarioCard(new ScenarioCard(model, this)),
      m_engineLine(new QWidget(this)),
      m_engineText(Kit::plainLabel({}, m_engineLine)),
      m_header(Kit::plainLabel({}, this)),
      m_hero(new ActionButton(QStringLiteral("wand.and.stars"), {}, Kit::Tint::accent, true, this)),
      m_namingResult(new NamingResult(model, this)),
      m_grid(new ActionGrid(model, this)),
      m_openWith(new OpenWithButton(model, this))
{
    setObjectName(QStringLiteral("singleItemView"));
    m_thumb->setObjectName(QStringLiteral("singleThumb"));
    m_name->setObjectName(QStringLiteral("singleName"));
    m_info->setObjectName(QStringLiteral("singleInfo"));
    m_tags->setObjectName(QStringLiteral("singleTags"));
    m_engineLine->setObjectName(QStringLiteral("engineLine"));
    m_engineText->setObjectName(QStringLiteral("engineText"));
    m_header->setObjectName(QStringLiteral("nextHeader"));
    m_hero->setObjectName(QStringLiteral("heroButton"));

    m_thumb->setSide(thumbSide);
    m_thumb->setFixedHeight(thumbSide);
    m_name->setFont(Kit::font(Kit::TextRole::headline, m_name->font()));
    Kit::setTextRole(m_info, Kit::TextRole::caption);
    Kit::setTextLevel(m_info, Kit::Level::secondary);
    m_info->setAlignment(Qt::AlignHCenter);
    m_info->setWordWrap(true);
    Kit::setTextRole(m_header, Kit::TextRole::subheadline);
    Kit::setTextLevel(m_header, Kit::Level::secondary);

    auto *summary = new QVBoxLayout;
    summary->setSpacing(summarySpacing);
    summary->addWidget(m_name);
    summary->addWidget(m_info);
    summary->addWidget(m_tags, 0, Qt::AlignHCenter);

    auto *seal = new Kit::SymbolView(QStringLiteral("checkmark.seal.fill"), engineIcon, m_engineLine);
    seal->setTint(Kit::Tint::green);
    Kit::setTextRole(m_engineText, Kit::TextRole::caption2);
    Kit::setTextLevel(m_engineText, Kit::Level::secondary);
    auto *engine = new QHBoxLayout(m_engineLine);
    engine->setContentsMargins(0, 0, 0, 0);
    engine->setSpacing(4);
    engine->addWidget(seal, 0, Qt::AlignVCenter);
    engine->addWidget(m_engineText, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->addWidget(m_thumb, 0, Qt::AlignHCenter);
    layout->addLayout(summary);
    layout->addWidget(m_setupCard);
    layout->addWidget(m_scenarioCard);
    layout->addWidget(m_engineLine);
    layout->addWidget(Kit::divider(Qt::Horizontal, this));
    layout->addWidget(m_header);
    layout->addWidget(m_hero);
    layout->addWidget(m_namingResult);
    layout->addWidget(m_grid);
    layout->addWidget(m_openWith);
    layout->addStretch(1);

    connect(m_hero, &ActionButton::clicked, this, &SingleItemView::heroClicked);
    connect(&m_model, &ActionPaneModel::namingChanged, this, &SingleItemView::applyHero);
    connect(&m_model, &ActionPaneModel::appsChanged, this, &SingleItemView::applyOpenWith);
    connect(m_setupCard, &ModelSetupCard::statusApplied, this, &SingleItemView::applyEngine);
    Kit::retranslate(this, [this] {
        m_header->setText(L("下一步"));
        applyTexts();
        applyHero();
        applyEngine();
    });
}

void SingleItemView::setItem(const FileItem &item)
{
    const bool another = !m_hasItem || item.path != m_item.path || item.isDir != m_item.isDir;
    m_item = item;
    m_hasItem = true;
    if (another) {
        m_thumb->setFile(item.path, item.isDir, true);
        m_openWith->setPath(item.path);
        m_scenarioCard->setItem(item);
        m_namingResult->setItem(item);
    }
    m_grid->setItem(item);
    applyTexts();
    applyHero();
    applyEngine();
    applyOpenWith();
}

void SingleItemView::applyTexts()
{
    m_name->setText(m_item.name);
    QString info = m_item.kind;
    if (!m_item.isDir)
        info += separator + sizeStr(m_item.size);
    info += separator + dayStr(m_item.modified);
    m_info->setText(info);
    m_tags->setTags(m_item.tags);
    m_tags->setVisible(!m_item.tags.isEmpty());
}

void SingleItemView::applyHero()
{
    if (m_item.isDir)
        m_hero->setLabel(L("进入并 AI 整理"));
    else
        m_hero->setLabel(m_model.naming() ? L("AI 正在读…") : L("AI 起个好名字"));
}

void SingleItemView::applyEngine()
{
    const bool file = m_hasItem && !m_item.isDir;
    m_setupCard->setOffered(file);
    const bool ready = m_setupCard->status().kind == LocalBrain::Status::Kind::ready;
    m_engineText->setText(LocalBrain::label(m_setupCard->status()));
    m_engineLine->setVisible(file && ready);
}

void SingleItemView::applyOpenWith()
{
    m_openWith->setVisible(m_hasItem && !m_item.isDir && !m_model.apps().isEmpty());
}

void SingleItemView::heroClicked()
{
    if (m_item.isDir)
        m_model.enterAndOrganize();
    else
        m_model.requestName();
}
