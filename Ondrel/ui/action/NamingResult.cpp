#include "NamingResult.h"

#include "ActionPaneModel.h"

NamingResult::NamingResult(ActionPaneModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("namingResult"));
    hide();
}

void NamingResult::setItem(const FileItem &item)
{
    m_item = item;
}
