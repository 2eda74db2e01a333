#include "BatchRenameSheet.h"

#include "SheetLayout.h"
#include "BrowserState.h"
#include "Localization.h"
#include "kit/Style.h"
#include "window/SheetPresenter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int gridWidth = 360;
constexpr int labelWidth = 60;

QLabel *fieldLabel(QWidget *parent)
{
    QLabel *label = Kit::plainLabel({}, parent);
    label->setMinimumWidth(labelWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit *field(const QString &objectName, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

} // namespace

BatchRenameDialog::BatchRenameDialog(BrowserState &state, QWidget *parent)
    : QDialog(parent),
      m_state(state),
      m_title(Kit::plainLabel({}, this)),
      m_subtitle(Kit::plainLabel({}, this)),
      m_findLabel(fieldLabel(this)),
      m_replaceLabel(fieldLabel(this)),
      m_prefixLabel(fieldLabel(this)),
      m_find(field(QStringLiteral("findField"), this)),
      m_replace(field(QStringLiteral("replaceField"), this)),
      m_prefix(field(QStringLiteral("prefixField"), this)),
      m_addSeq(new QCheckBox(this)),
      m_cancel(new QPushButton(this)),
      m_generate(new QPushButton(this))
{
    setObjectName(QStringLiteral("batchRenameSheet"));
    setWindowModality(Qt::WindowModal);

    QVBoxLayout *column = SheetLayout::column(this);

    Kit::setTextRole(m_title, Kit::TextRole::headline);
    column->addWidget(m_title);
    m_subtitle->setWordWrap(true);
    m_subtitle->setFixedWidth(gridWidth);
    Kit::setTextRole(m_subtitle, Kit::TextRole::caption);
    Kit::setTextLevel(m_subtitle, Kit::Level::secondary);
    column->addWidget(m_subtitle);

    auto *gridBox = new QWidget(this);
    gridBox->setFixedWidth(gridWidth);
    auto *grid = new QGridLayout(gridBox);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    grid->addWidget(m_findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(m_replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_prefixLabel, 2, 0);
    grid->addWidget(m_prefix, 2, 1);
    m_addSeq->setObjectName(QStringLiteral("addSeqToggle"));
    grid->addWidget(m_addSeq, 3, 1);
    column->addWidget(gridBox);

    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_generate->setObjectName(QStringLiteral("generateButton"));
    column->addLayout(SheetLayout::buttonRow(m_cancel, m_generate));

    connect(m_cancel, &QPushButton::clicked, this, [this] { m_state.setShowBatchRename(false); });
    connect(m_generate, &QPushButton::clicked, this, &BatchRenameDialog::generate);

    Kit::retranslate(this, [this] { retranslate(); });
    m_find->setFocus();
}

void BatchRenameDialog::retranslate()
{
    setWindowTitle(L("批量改名规则"));
    m_title->setText(L("批量改名规则"));
    m_subtitle->setText(L("对当前文件夹的文件生成建议，应用前可逐个编辑/取消。"));
    m_findLabel->setText(L("查找"));
    m_replaceLabel->setText(L("替换为"));
    m_prefixLabel->setText(L("前缀"));
    m_find->setPlaceholderText(L("要替换的文字"));
    m_replace->setPlaceholderText(L("替换成"));
    m_prefix->setPlaceholderText(L("加在最前"));
    m_subtitle->setFixedHeight(m_subtitle->heightForWidth(gridWidth));
    m_addSeq->setText(L("追加序号 _001 _002"));
    m_cancel->setText(L("取消"));
    m_generate->setText(L("生成建议"));
    m_find->setAccessibleName(m_findLabel->text());
    m_replace->setAccessibleName(m_replaceLabel->text());
    m_prefix->setAccessibleName(m_prefixLabel->text());
}

void BatchRenameDialog::generate()
{
    m_state.applyBatchRule(m_find->text(), m_replace->text(), m_prefix->text(), m_addSeq->isChecked());
    m_state.setShowBatchRename(false);
}

namespace BatchRenameSheet {

void add(SheetPresenter &sheets, BrowserState &state)
{
    const SheetPresenter::Flag flag{&BrowserState::showBatchRename, &BrowserState::setShowBatchRename,
                                    &BrowserState::showBatchRenameChanged};
    sheets.add(flag, [&state](QWidget *parent) { return new BatchRenameDialog(state, parent); });
}

} // namespace BatchRenameSheet
