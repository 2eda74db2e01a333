#include "AgentTray.h"

#include "AgentPopover.h"
#include "Localization.h"
#include "PopoverPlacement.h"
#include "WatchAgent.h"
#include "kit/Icons.h"
#include "kit/Style.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSystemTrayIcon>

// --- The system tray ------------------------------------------------------------------------

std::unique_ptr<TrayIcon> SystemTrayIcon::create()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    return std::make_unique<SystemTrayIcon>();
}

SystemTrayIcon::SystemTrayIcon() : m_icon(std::make_unique<QSystemTrayIcon>())
{
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit clicked();
    });
}

SystemTrayIcon::~SystemTrayIcon() = default;

void SystemTrayIcon::setIcon(const QIcon &icon)
{
    m_icon->setIcon(icon);
}

void SystemTrayIcon::setToolTip(const QString &text)
{
    m_icon->setToolTip(text);
}

void SystemTrayIcon::setContextMenu(QMenu *menu)
{
    m_icon->setContextMenu(menu);
}

void SystemTrayIcon::show()
{
    m_icon->show();
}

QRect SystemTrayIcon::geometry() const
{
    return m_icon->geometry();
}

// --- Badge ----------------------------------------------------------------------------------

QString badgeText(int count)
{
    return count < 1 ? QString() : u' ' + QString::number(count);
}

QIcon badgedIcon(int count)
{
    const QIcon symbol = Kit::icon(QStringLiteral("wand.and.stars"));
    const QColor badge = Kit::tint(Kit::Tint::red, QApplication::palette());
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap picture(side, side);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        symbol.paint(&painter, picture.rect());
        if (count > 0) {
            // A round badge in the upper right corner, wide enough for the digits.
            const QString digits = count > 99 ? QStringLiteral("99+") : QString::number(count);
            QFont font = QApplication::font();
            font.setBold(true);
            font.setPixelSize(std::max(7, side * 9 / 20));
            const QFontMetrics metrics(font);
            const int height = std::max(8, side * 3 / 5);
            const int width = std::max(height, metrics.horizontalAdvance(digits) + height / 2);
            const QRect pill(side - width, 0, width, height);
            QPainterPath path;
            path.addRoundedRect(pill, height / 2.0, height / 2.0);
            painter.fillPath(path, badge);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(pill, Qt::AlignCenter, digits);
        }
        painter.end();
        icon.addPixmap(picture);
    }
    return icon;
}

QString trayToolTip(int count)
{
    if (count < 1)
        return L("后台盯梢");
    return L("后台盯梢") + QStringLiteral(" · ") + L("%lld 个待确认", qint64(count));
}

// --- The tray item --------------------------------------------------------------------------

AgentTray::AgentTray(WatchAgent &agent, BadgeUpdater &badgeUpdater, IconMaker makeIcon, QObject *parent)
    : QObject(parent), m_agent(agent), m_badgeUpdater(badgeUpdater), m_makeIcon(std::move(makeIcon)),
      m_menu(std::make_unique<QMenu>())
{
    auto *toggle = m_menu->addAction(QString(), this, [this] { togglePopover(); });
    toggle->setObjectName(QStringLiteral("agentMenuToggle"));
    auto *window = m_menu->addAction(QString(), this, [this] { emit newWindowRequested(); });
    window->setObjectName(QStringLiteral("agentMenuNewWindow"));
    auto *settings = m_menu->addAction(QString(), this, [this] { emit settingsRequested(); });
    settings->setObjectName(QStringLiteral("agentMenuSettings"));
    m_menu->addSeparator();
    auto *quit = m_menu->addAction(QString(), this, [this] { emit quitRequested(); });
    quit->setObjectName(QStringLiteral("agentMenuQuit"));
    Kit::retranslate(this, [this, toggle, window, settings, quit] {
        toggle->setText(L("后台盯梢"));
        window->setText(L("新建窗口"));
        settings->setText(L("设置…"));
        quit->setText(L("退出"));
        if (m_item)
            m_item->setToolTip(trayToolTip(int(m_agent.pending().size())));
    });
}

AgentTray::~AgentTray()
{
    remove();
}

void AgentTray::setup()
{
    if (m_item)
        return;
    m_item = m_makeIcon ? m_makeIcon() : nullptr;
    m_trayMissing = !m_item;
    if (!m_item)
        return;
    m_item->setContextMenu(m_menu.get());
    connect(m_item.get(), &TrayIcon::clicked, this, [this] { togglePopover(); });
    showCount(int(m_agent.pending().size())); // a re-made item starts from the current count
    m_item->show();
    m_badgeUpdater = [tray = QPointer<AgentTray>(this)](int count) {
        if (tray)
            tray->showCount(count);
    };
}

void AgentTray::remove()
{
    if (m_popover)
        m_popover->hide();
    m_item.reset();
    m_badgeUpdater = nullptr;
}

void AgentTray::showCount(int count)
{
    if (!m_item)
        return;
    m_item->setIcon(badgedIcon(count));
    m_item->setToolTip(trayToolTip(count));
}

AgentPopover *AgentTray::popover()
{
    if (!m_popover) {
        m_popover = std::make_unique<AgentPopover>(m_agent);
        m_popover->makeWindow();
    }
    return m_popover.get();
}

void AgentTray::togglePopover()
{
    if (!m_item)
        return;
    toggleAt(m_item->geometry());
}

void AgentTray::togglePopoverAt(QWidget *window)
{
    if (!window)
        return;
    // A strip along the top of the window: the popover opens just below it.
    const QWidget *top = window->window();
    toggleAt(QRect(top->mapToGlobal(QPoint(0, 0)), QSize(top->width(), 1)));
}

void AgentTray::toggleAt(const QRect &anchor)
{
    AgentPopover *view = popover();
    // A click outside a popup closes it before the click itself arrives: a click on the
    // icon just after the popover closed is that same click, not a new request to open.
    if (view->isVisible() || view->msSinceHidden() < 250) {
        view->hide();
        return;
    }
    QList<QRect> screens;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    }
    view->adjustSize();
    view->setGeometry(popoverGeometry(anchor, QCursor::pos(), view->sizeHint(), screens));
    view->show();
    view->raise();
    view->activateWindow(); // takes the keyboard at once
}
