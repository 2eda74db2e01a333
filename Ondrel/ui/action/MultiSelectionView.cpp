#include "MultiSelectionView.h"

#include "ActionButton.h"
#include "ActionPaneModel.h"
#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QStringList selectionNow(BrowserState &state)
{
    const QSet<QString> &selection = state.activePane()->selection();
    return QStringList(selection.cbegin(), selection.cend());
}

} // namespace

MultiSelectionView::MultiSelectionView(ActionPaneModel &model, QWidget *parent)
    : QWidget(parent), m_model(model), m_state(model.state())
{
    setObjectName(QStringLiteral("multiSelectionView"));
    auto *stack = new Kit::SymbolView(QStringLiteral("square.stack.3d.up.fill"), 44, this);
    stack->setLevel(Kit::Level::secondary);

    m_count = Kit::plainLabel({}, this);
    m_count->setObjectName(QStringLiteral("multiCount"));
    Kit::setTextRole(m_count, Kit::TextRole::headline);
    m_size = Kit::plainLabel({}, this);
    m_size->setObjectName(QStringLiteral("multiSize"));
    Kit::setTextRole(m_size, Kit::TextRole::caption);
    Kit::setTextLevel(m_size, Kit::Level::secondary);
    m_section = Kit::plainLabel({}, this);
    m_section->setObjectName(QStringLiteral("multiSection"));
    Kit::setTextRole(m_section, Kit::TextRole::subheadline);
    Kit::setTextLevel(m_section, Kit::Level::secondary);

    m_ai = new ActionButton(QStringLiteral("wand.and.stars"), {}, Kit::Tint::accent, true, this);
    m_ai->setObjectName(QStringLiteral("multiOrganize"));
    m_compress = new ActionButton(QStringLiteral("archivebox"), {}, Kit::Tint::orange, false, this);
    m_compress->setObjectName(QStringLiteral("multiCompress"));
    m_newFolder = new ActionButton(QStringLiteral("folder.badge.plus"), {}, Kit::Tint::accent, false, this);
    m_newFolder->setObjectName(QStringLiteral("multiNewFolder"));
    m_copy = new ActionButton(QStringLiteral("doc.on.doc"), {}, Kit::Tint::accent, false, this);
    m_copy->setObjectName(QStringLiteral("multiCopy"));
    m_reveal = new ActionButton(QStringLiteral("arrow.up.forward.app"), {}, std::nullopt, false, this);
    m_reveal->setObjectName(QStringLiteral("multiReveal"));
    m_trash = new ActionButton(QStringLiteral("trash"), {}, Kit::Tint::red, false, this);
    m_trash->setObjectName(QStringLiteral("multiTrash"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(stack, 0, Qt::AlignHCenter);
    auto *summary = new QVBoxLayout;
    summary->setSpacing(4);
    summary->addWidget(m_count, 0, Qt::AlignHCenter);
    summary->addWidget(m_size, 0, Qt::AlignHCenter);
    column->addLayout(summary);
    column->addWidget(Kit::divider(Qt::Horizontal, this));
    column->addWidget(m_section);
    column->addWidget(m_ai);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(m_compress, 0, 0);
    grid->addWidget(m_newFolder, 0, 1);
    grid->addWidget(m_copy, 1, 0);
    grid->addWidget(m_reveal, 1, 1);
    column->addLayout(grid);
    column->addWidget(m_trash);
    column->addStretch(1);

    // The AI batch naming reads the selected files when it runs, not those of the label.
    connect(m_ai, &QAbstractButton::clicked, this, [this] {
        QTimer::singleShot(0, &m_state, [state = QPointer<BrowserState>(&m_state)] {
            if (state)
                state->organizeURLs(state->activePane()->selectedFileURLs(), false);
        });
    });
    connect(m_compress, &QAbstractButton::clicked, this, [this] { m_state.compress(m_urls); });
    connect(m_newFolder, &QAbstractButton::clicked, this, [this] { m_state.newFolderWithSelection(); });
    connect(m_copy, &QAbstractButton::clicked, this, [this] { m_state.copySel(); });
    connect(m_reveal, &QAbstractButton::clicked, this, [this] {
        if (!m_urls.isEmpty())
            m_state.reveal(m_urls);
    });
    connect(m_trash, &QAbstractButton::clicked, this, [this] { m_state.trash(selectionNow(m_state)); });

    Kit::retranslate(this, [this] { retranslate(); });
}

void MultiSelectionView::setValues(const QStringList &urls, qint64 total, const QStringList &fileURLs)
{
    m_urls = urls;
    m_total = total;
    m_fileURLs = fileURLs;
    retranslate();
}

void MultiSelectionView::retranslate()
{
    m_count->setText(L("%lld 个项目", qint64(m_urls.size())));
    m_size->setText(L("共 %@", sizeStr(m_total)));
    m_section->setText(L("批量动作"));
    m_ai->setVisible(!m_fileURLs.isEmpty());
    m_ai->setLabel(L("AI 批量起名（%lld 个文件）", qint64(m_fileURLs.size())));
    m_compress->setLabel(L("压缩为 ZIP"));
    m_newFolder->setLabel(L("归入新文件夹"));
    m_copy->setLabel(L("拷贝"));
    m_reveal->setLabel(L("在文件管理器中显示"));
    m_trash->setLabel(L("移到废纸篓"));
}
