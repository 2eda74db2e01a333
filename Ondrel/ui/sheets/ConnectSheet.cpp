#include "ConnectSheet.h"

#include "SheetLayout.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "Localization.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "window/SheetPresenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int fieldWidth = 400;
constexpr int recentsShown = 5;

// Spaces and tabs at either end only, as the enabling rule of "连接" reads the field.
bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

QPushButton *button(const QString &objectName, QWidget *parent)
{
    auto *push = new QPushButton(parent);
    push->setObjectName(objectName);
    push->setAutoDefault(false);
    return push;
}

} // namespace

const QStringList &ConnectServerDialog::schemes()
{
    static const QStringList list{QStringLiteral("smb://"),   QStringLiteral("afp://"), QStringLiteral("https://"),
                                  QStringLiteral("ftp://"),   QStringLiteral("nfs://"), QStringLiteral("sftp://")};
    return list;
}

QString ConnectServerDialog::withScheme(const QString &address, const QString &prefix)
{
    const qsizetype at = address.lastIndexOf(QLatin1String("://"));
    return prefix + (at < 0 ? address : address.mid(at + 3));
}

QStringList ConnectServerDialog::recentShown()
{
    QStringList shown;
    for (const QString &entry : Defaults::shared().stringList(QStringLiteral("recentServers"))) {
        if (shown.size() == recentsShown)
            break;
        // Entries stored by earlier versions may carry a password: never show it.
        shown << BrowserState::withoutPassword(entry);
    }
    return shown;
}

ConnectServerDialog::ConnectServerDialog(BrowserState &state, QWidget *parent)
    : QDialog(parent),
      m_state(state),
      m_title(Kit::plainLabel({}, this)),
      m_explanation(Kit::plainLabel({}, this)),
      m_address(new QLineEdit(this)),
      m_user(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_cancel(button(QStringLiteral("cancelButton"), this)),
      m_connect(button(QStringLiteral("connectButton"), this))
{
    setObjectName(QStringLiteral("connectServerSheet"));
    setWindowModality(Qt::WindowModal);

    QVBoxLayout *column = SheetLayout::column(this);

    Kit::setTextRole(m_title, Kit::TextRole::headline);
    column->addWidget(m_title);

    m_explanation->setObjectName(QStringLiteral("connectExplanation"));
    m_explanation->setWordWrap(true);
    m_explanation->setFixedWidth(fieldWidth);
    Kit::setTextRole(m_explanation, Kit::TextRole::caption);
    Kit::setTextLevel(m_explanation, Kit::Level::secondary);
    column->addWidget(m_explanation);

    auto *schemeRow = new QHBoxLayout;
    schemeRow->setSpacing(6);
    for (const QString &prefix : schemes()) {
        const QString title = prefix.chopped(3);
        // A small bordered button as wide as its title.
        auto *scheme = new QToolButton(this);
        scheme->setObjectName(QStringLiteral("scheme-") + title);
        scheme->setText(title);
        scheme->setFont(Kit::font(Kit::TextRole::callout));
        Kit::name(scheme, title);
        connect(scheme, &QToolButton::clicked, this, [this, prefix] {
            m_address->setText(withScheme(m_address->text(), prefix));
            m_address->setFocus();
        });
        schemeRow->addWidget(scheme);
    }
    schemeRow->addStretch(1);
    column->addLayout(schemeRow);

    m_address->setObjectName(QStringLiteral("serverAddress"));
    m_user->setObjectName(QStringLiteral("serverUser"));
    m_password->setObjectName(QStringLiteral("serverPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    for (QLineEdit *field : {m_address, m_user, m_password}) {
        field->setFixedWidth(fieldWidth);
        column->addWidget(field);
    }

    buildRecents(column);

    column->addLayout(SheetLayout::buttonRow(m_cancel, m_connect));

    connect(m_address, &QLineEdit::textChanged, this, &ConnectServerDialog::updateConnectEnabled);
    // Return in the address field connects even while "连接" is disabled.
    connect(m_address, &QLineEdit::returnPressed, this, &ConnectServerDialog::connectNow);
    connect(m_connect, &QPushButton::clicked, this, &ConnectServerDialog::connectNow);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_state.setShowConnectServer(false); });

    Kit::retranslate(this, [this] { retranslate(); });
    updateConnectEnabled();
    m_address->setFocus();
}

void ConnectServerDialog::buildRecents(QVBoxLayout *column)
{
    const QStringList recents = recentShown();
    if (recents.isEmpty())
        return;
    m_recentTitle = Kit::plainLabel({}, this);
    m_recentTitle->setObjectName(QStringLiteral("recentTitle"));
    Kit::setTextRole(m_recentTitle, Kit::TextRole::caption);
    Kit::setTextLevel(m_recentTitle, Kit::Level::secondary);
    column->addWidget(m_recentTitle);
    for (int i = 0; i < recents.size(); ++i) {
        const QString address = recents.at(i);
        QToolButton *row = Kit::plainButton(this);
        row->setObjectName(QStringLiteral("recentServer%1").arg(i));
        Kit::name(row, address);
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(2, 2, 2, 2);
        line->setSpacing(6);
        auto *clock = new Kit::SymbolView(QStringLiteral("clock"), 12, row);
        Kit::setTextLevel(clock, Kit::Level::secondary);
        auto *text = new Kit::ElidingLabel(address, row);
        text->setObjectName(QStringLiteral("recentAddress"));
        text->setElideMode(Qt::ElideMiddle);
        Kit::setTextLevel(text, Kit::Level::secondary);
        line->addWidget(clock);
        line->addWidget(text, 1);
        row->setFixedSize(fieldWidth, text->sizeHint().height() + 4);
        connect(row, &QToolButton::clicked, this, [this, address] { m_address->setText(address); });
        column->addWidget(row);
    }
}

void ConnectServerDialog::retranslate()
{
    setWindowTitle(L("连接服务器"));
    m_title->setText(L("连接服务器"));
    m_explanation->setText(L("SMB / AFP / NFS / FTP / SFTP / WebDAV 都由系统（GVfs）挂载——密码只交给挂载，Marovel 只记住地址。挂上后直接在这里整理。"));
    m_address->setPlaceholderText(L("smb://nas.example/共享"));
    m_user->setPlaceholderText(L("用户名（可选）"));
    m_password->setPlaceholderText(L("密码"));
    if (m_recentTitle)
        m_recentTitle->setText(L("最近"));
    m_cancel->setText(L("取消"));
    m_connect->setText(L("连接"));
    for (QLineEdit *field : {m_address, m_user, m_password})
        Kit::name(field, field->placeholderText());
    // The whole explanation, wrapped at the fixed width (the fixed-size layout would
    // otherwise give it the height of a guess).
    m_explanation->setFixedHeight(m_explanation->heightForWidth(fieldWidth));
}

void ConnectServerDialog::updateConnectEnabled()
{
    m_connect->setEnabled(!isBlank(m_address->text()));
}

void ConnectServerDialog::connectNow()
{
    if (std::exchange(m_submitted, true))
        return;
    // Empty fields are absent, not empty texts.
    const QString user = m_user->text().isEmpty() ? QString() : m_user->text();
    const QString password = m_password->text().isEmpty() ? QString() : m_password->text();
    m_state.connectToServer(m_address->text(), user, password);
    m_state.setShowConnectServer(false);
}

void ConnectServerDialog::done(int result)
{
    m_password->clear();
    QDialog::done(result);
}

namespace ConnectSheet {

void add(SheetPresenter &sheets, BrowserState &state)
{
    const SheetPresenter::Flag flag{&BrowserState::showConnectServer, &BrowserState::setShowConnectServer,
                                    &BrowserState::showConnectServerChanged};
    sheets.add(flag, [&state](QWidget *parent) { return new ConnectServerDialog(state, parent); });
}

} // namespace ConnectSheet
