#include "MultiSelectionView.h"

#include "ActionPaneModel.h"

MultiSelectionView::MultiSelectionView(ActionPaneModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("multiSelectionView"));
}

void MultiSelectionView::setValues(const QStringList &urls, qint64 total, const QStringList &fileURLs)
{
    m_urls = urls;
    m_total = total;
    m_fileURLs = fileURLs;
}
