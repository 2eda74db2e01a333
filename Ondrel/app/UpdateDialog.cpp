#include "UpdateDialog.h"

#include "Localization.h"
#include "Updater.h"
#include "kit/Style.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

UpdateDialog::UpdateDialog(Updater &updater, std::function<void(const QUrl &)> openPage, QWidget *parent)
    : QDialog(parent),
      m_updater(updater),
      m_openPage(std::move(openPage)),
      m_headline(new QLabel(this)),
      m_detail(new QLabel(this)),
      m_notes(new QPlainTextEdit(this)),
      m_download(new QPushButton(this)),
      m_close(new QPushButton(this))
{
    setObjectName(QStringLiteral("updateDialog"));
    m_headline->setObjectName(QStringLiteral("updateHeadline"));
    m_detail->setObjectName(QStringLiteral("updateDetail"));
    m_notes->setObjectName(QStringLiteral("updateNotes"));
    m_download->setObjectName(QStringLiteral("updateDownload"));
    m_close->setObjectName(QStringLiteral("updateClose"));
    setMinimumWidth(420);

    // Feed texts are data: never markup.
    for (QLabel *label : {m_headline, m_detail}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    QFont headline = m_headline->font();
    headline.setBold(true);
    m_headline->setFont(headline);
    Kit::setTextRole(m_detail, Kit::TextRole::callout);
    m_notes->setReadOnly(true);
    m_notes->setMinimumHeight(140);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_download);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(Kit::Space::margin, Kit::Space::margin, Kit::Space::margin, Kit::Space::margin);
    layout->setSpacing(Kit::Space::normal);
    layout->addWidget(m_headline);
    layout->addWidget(m_detail);
    layout->addWidget(m_notes, 1);
    layout->addLayout(buttons);

    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_download, &QPushButton::clicked, this, [this] {
        const QUrl page = UpdateFeed::safePage(m_updater.release().page.toString());
        if (!page.isEmpty() && m_openPage)
            m_openPage(page);
    });
    connect(&m_updater, &Updater::stateChanged, this, &UpdateDialog::refresh);
    connect(&Loc::shared(), &Loc::revisionChanged, this, &UpdateDialog::refresh);
    refresh();
}

UpdateDialog *UpdateDialog::checkNow(QWidget *parent)
{
    auto *dialog = new UpdateDialog(Updater::shared(), [](const QUrl &page) { QDesktopServices::openUrl(page); }, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    Updater::shared().check();
    dialog->show();
    return dialog;
}

void UpdateDialog::refresh()
{
    using State = Updater::State;
    const State state = m_updater.state();
    const UpdateRelease &release = m_updater.release();
    setWindowTitle(L("检查更新"));
    m_download->setText(L("前往下载页"));
    m_close->setText(L("好"));
    QString headline;
    QString detail;
    switch (state) {
    case State::idle:
    case State::checking:
        headline = L("正在检查更新…");
        break;
    case State::noFeed:
        headline = L("Marovel 的更新随安装它的软件包一起提供。");
        detail = L("请用安装 Marovel 的软件包管理器更新它。");
        break;
    case State::newer:
        headline = L("有新版本：Marovel %@", release.version);
        detail = L("当前版本 %@。", m_updater.currentVersion());
        break;
    case State::upToDate:
        headline = L("Marovel 已是最新版本（%@）。", m_updater.currentVersion());
        break;
    case State::failed:
        headline = L("检查更新失败");
        detail = m_updater.failure();
        break;
    }
    m_headline->setText(headline);
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    const bool newer = state == State::newer;
    m_notes->setVisible(newer && !release.notes.isEmpty());
    if (newer)
        m_notes->setPlainText(release.notes);
    m_download->setVisible(newer && !release.page.isEmpty());
    adjustSize();
}
