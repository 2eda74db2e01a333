#include "ContentIndexSection.h"

#include "ContentIndex.h"
#include "DisplayHelpers.h"
#include "Localization.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

QLabel *errorLabel(const char *name, QWidget *parent)
{
    auto *label = Kit::plainLabel({}, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    Kit::setTextRole(label, Kit::TextRole::caption);
    Kit::setForeground(label, Kit::Tint::orange);
    return label;
}

// A folder by its last path component; a path without one (the root) by the whole path.
QString rootTitle(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

} // namespace

// ContentIndexSection

ContentIndexSection::ContentIndexSection(ContentIndex &index, SettingsServices::FolderChooser choose, QWidget *parent)
    : SettingsForm::Section(L("本地内容搜索"), parent), m_index(index), m_choose(std::move(choose)),
      m_switch(new QCheckBox(L("建立本地内容索引"), this)), m_details(new QWidget(this)),
      m_progress(SettingsForm::progressBar(m_details)), m_status(Kit::plainLabel({}, m_details)),
      m_rebuild(new QPushButton(L("重建"), m_details)), m_roots(new QWidget(m_details)),
      m_rootRows(new QVBoxLayout(m_roots)), m_unwatched(errorLabel("indexWatchLimit", m_details)),
      m_error(errorLabel("indexError", m_details))
{
    m_switch->setObjectName(QStringLiteral("contentIndexSwitch"));
    m_details->setObjectName(QStringLiteral("contentIndexDetails"));
    m_progress->setObjectName(QStringLiteral("indexProgress"));
    m_status->setObjectName(QStringLiteral("indexStatus"));
    m_rebuild->setObjectName(QStringLiteral("rebuildIndex"));
    m_roots->setObjectName(QStringLiteral("indexRoots"));
    addRow(m_switch);
    addRow(SettingsForm::caption(L("在本机抽取 PDF、OCR 图片、Office 和文本正文，支持按内容搜索。文件内容、文件名和路径不会上传。默认关闭，避免首次启动时占用 CPU / 磁盘。"),
                                 this));

    m_progress->setFixedWidth(100);
    Kit::setTextRole(m_status, Kit::TextRole::caption);
    Kit::setTextLevel(m_status, Kit::Level::secondary);
    m_rebuild->setAutoDefault(false);
    m_rebuild->setFont(Kit::font(Kit::TextRole::callout));
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_progress);
    statusRow->addWidget(m_status);
    statusRow->addStretch(1);
    statusRow->addWidget(m_rebuild);

    m_rootRows->setContentsMargins(0, 0, 0, 0);
    m_rootRows->setSpacing(Kit::Space::tight);
    auto *add = new QPushButton(L("添加索引文件夹…"), m_details);
    add->setObjectName(QStringLiteral("addIndexRoot"));
    add->setAutoDefault(false);
    auto *addRowLayout = new QHBoxLayout;
    addRowLayout->addWidget(add);
    addRowLayout->addStretch(1);

    auto *details = new QVBoxLayout(m_details);
    details->setContentsMargins(0, 0, 0, 0);
    details->setSpacing(Kit::Space::normal);
    details->addLayout(statusRow);
    details->addWidget(m_roots);
    details->addLayout(addRowLayout);
    details->addWidget(m_unwatched);
    details->addWidget(m_error);
    addRow(m_details);

    connect(m_switch, &QCheckBox::clicked, this, [this](bool on) { m_index.setEnabled(on); });
    connect(m_rebuild, &QPushButton::clicked, this, [this] { m_index.rebuild(); });
    connect(add, &QPushButton::clicked, this, &ContentIndexSection::addRoot);
    for (auto changed : {&ContentIndex::enabledChanged, &ContentIndex::isIndexingChanged, &ContentIndex::progressChanged,
                         &ContentIndex::indexedCountChanged, &ContentIndex::lastErrorChanged,
                         &ContentIndex::unwatchedFolderChanged})
        connect(&m_index, changed, this, &ContentIndexSection::scheduleApply);
    connect(&m_index, &ContentIndex::rootsChanged, this, &ContentIndexSection::showRoots);
    showRoots();
    apply();
}

void ContentIndexSection::scheduleApply()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        apply();
    });
}

void ContentIndexSection::apply()
{
    {
        const QSignalBlocker quiet(m_switch);
        m_switch->setChecked(m_index.enabled());
    }
    m_details->setVisible(m_index.enabled());
    const bool indexing = m_index.isIndexing();
    m_progress->setVisible(indexing);
    SettingsForm::setFraction(m_progress, m_index.progress());
    const std::optional<int> count = m_index.indexedCount();
    if (indexing)
        m_status->setText(L("正在建立索引… %lld%%", percentOf(m_index.progress())));
    else if (count)
        m_status->setText(L("已索引 %lld 个文件", qint64(*count)));
    else
        m_status->setText(L("无法读取已索引文件数"));
    m_rebuild->setEnabled(!indexing);
    const QString unwatched = m_index.unwatchedFolder();
    m_unwatched->setText(unwatched.isEmpty()
                             ? QString()
                             : L("监视的文件夹数已达系统上限：“%@”等文件夹里的改动不会自动更新索引，需要时请点“重建”。",
                                 unwatched));
    m_unwatched->setVisible(!unwatched.isEmpty());
    m_error->setText(m_index.lastError());
    m_error->setVisible(!m_index.lastError().isEmpty());
}

void ContentIndexSection::showRoots()
{
    // Later: the row of a clicked "移除" is still handling that click.
    while (QLayoutItem *item = m_rootRows->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    const QStringList roots = m_index.roots();
    for (const QString &path : roots) {
        auto *row = new QWidget(m_roots);
        row->setObjectName(QStringLiteral("indexRootRow"));
        row->setToolTip(path);
        auto *icon = new Kit::SymbolView(QStringLiteral("folder"), 16, row);
        icon->setTint(Kit::Tint::gray);
        auto *name = new Kit::ElidingLabel(rootTitle(path), row);
        name->setObjectName(QStringLiteral("rootName"));
        name->setElideMode(Qt::ElideMiddle);
        name->setAttribute(Qt::WA_TransparentForMouseEvents); // the row's tooltip shows the path
        auto *remove = SettingsForm::removeButton(row);
        remove->setObjectName(QStringLiteral("removeRoot"));
        Kit::name(remove, L("移除") + u' ' + rootTitle(path));
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(icon);
        line->addWidget(name, 1);
        line->addWidget(remove);
        connect(remove, &QToolButton::clicked, this, [this, path] { m_index.removeRoot(path); });
        m_rootRows->addWidget(row);
        row->show();
    }
    m_roots->setVisible(!roots.isEmpty());
}

void ContentIndexSection::addRoot()
{
    if (!m_choose)
        return;
    const std::optional<QString> chosen = m_choose(window(), L("添加索引文件夹…"));
    if (chosen && !chosen->isEmpty())
        m_index.addRoot(*chosen);
}

// ClearIndexRow

ClearIndexRow::ClearIndexRow(ContentIndex &index, QWidget *parent)
    : QWidget(parent), m_index(index), m_clear(SettingsForm::destructiveButton(L("清除本地索引数据…"), this)),
      m_error(errorLabel("clearError", this))
{
    setObjectName(QStringLiteral("clearIndexRow"));
    m_clear->setObjectName(QStringLiteral("clearIndex"));
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_clear);
    buttonRow->addStretch(1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Kit::Space::wide, 0, Kit::Space::wide, 0);
    column->setSpacing(Kit::Space::normal);
    column->addWidget(SettingsForm::caption(
        L("关闭只暂停索引；已保存的抽取文本和搜索记录会继续留在本机。需要删除时，请使用下方清除操作。"), this));
    column->addLayout(buttonRow);
    column->addWidget(m_error);

    connect(m_clear, &QPushButton::clicked, this, &ClearIndexRow::confirm);
    for (auto changed : {&ContentIndex::enabledChanged, &ContentIndex::isIndexingChanged, &ContentIndex::lastErrorChanged})
        connect(&m_index, changed, this, &ClearIndexRow::apply);
    apply();
}

void ClearIndexRow::apply()
{
    m_clear->setEnabled(!m_index.isIndexing());
    // While the index is on, its section shows the error.
    const bool show = !m_index.enabled() && !m_index.lastError().isEmpty();
    m_error->setText(show ? m_index.lastError() : QString());
    m_error->setVisible(show);
}

void ClearIndexRow::confirm()
{
    if (window()->findChild<QMessageBox *>(QStringLiteral("clearIndexConfirm")))
        return;
    // The question is the dialog's text too: window-modal dialogs may show no title bar.
    auto *box = new QMessageBox(QMessageBox::Warning, L("清除本地索引数据？"), L("清除本地索引数据？"),
                                QMessageBox::NoButton, window());
    box->setObjectName(QStringLiteral("clearIndexConfirm"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(
        L("这会删除 Marovel 本机保存的内容索引、命中片段与搜索记录，不能撤销；不会删除你的原始文件或文件夹。"));
    QPushButton *clear = box->addButton(L("清除已抽取文本与搜索记录"), QMessageBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("clearIndexButton"));
    QPushButton *cancel = box->addButton(QMessageBox::Cancel);
    cancel->setText(L("取消"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QPointer<ContentIndex> index(&m_index);
    connect(box, &QMessageBox::buttonClicked, this, [index, clear](QAbstractButton *clicked) {
        if (clicked == clear && index)
            index->clearStoredData();
    });
    box->open();
}
