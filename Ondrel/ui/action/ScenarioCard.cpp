#include "ScenarioCard.h"

#include "ActionPaneModel.h"

ScenarioCard::ScenarioCard(ActionPaneModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("scenarioCard"));
    hide();
}

void ScenarioCard::setItem(const FileItem &item)
{
    m_item = item;
}
