// States of the watch agent's popover (off, watching with nothing to propose, a list with
// long names and a failed accept) and its tray icon with a count.
#include "Defaults.h"
#include "FileOpsError.h"
#include "Localization.h"
#include "Shots.h"
#include "WatchAgent.h"
#include "agent/AgentPopover.h"
#include "agent/AgentTray.h"
#include "kit/Style.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace Shots {

namespace {

struct Arrival
{
    QString name;       // the file as it lands
    QString base;       // what the detection proposes
    QString recognized; // English and Chinese
    QString recognizedZh;
};

const QList<Arrival> &arrivals()
{
    static const QList<Arrival> list{
        {QStringLiteral("dzfp_24112000000012345678.pdf"), QStringLiteral("Shanghai_Bingding_Catering_Meal_Invoice_¥128"),
         QStringLiteral("Looks like a meal invoice, ¥128, issued 03/05"),
         QStringLiteral("这看起来是餐费发票，¥128，开票日 03/05")},
        {QStringLiteral("Quarterly report for the board of directors - final version (2) really final.pdf"),
         QStringLiteral("Acme_Widgets_Inc_Quarterly_Board_Report_Q1_2024_Final_Version_For_Circulation"),
         QStringLiteral("Looks like a report by Acme Widgets Inc."),
         QStringLiteral("这看起来是 Acme Widgets Inc. 的报告")},
        {QStringLiteral("scan_0001.pdf"), QStringLiteral("Globex_Corporation_Contract"),
         QStringLiteral("Looks like a contract with Globex Corporation"),
         QStringLiteral("这看起来是与 Globex Corporation 的合同")},
    };
    return list;
}

// A popover over an agent of its own that watches a fresh folder; files arrive in it and
// the detection answers from the table above. The first file's accept fails.
class AgentShot : public QWidget
{
public:
    AgentShot(const QString &fixture, bool enabled, int files) : m_files(files)
    {
        static int serial = 0;
        m_folder = QStringLiteral("%1/agent-inbox-%2").arg(fixture).arg(++serial);
        QDir().mkpath(m_folder);
        Defaults::shared().setValue(QStringLiteral("watchedFolderPaths"), QStringList{m_folder});
        Defaults::shared().setValue(QStringLiteral("agentEnabled"), enabled);

        WatchAgent::Options options;
        options.latencyMs = 20;
        options.settleMs = 0;
        options.analyse = [](const QString &path, const QString &) {
            ScenarioMatch match;
            for (const Arrival &arrival : arrivals()) {
                if (QFileInfo(path).fileName() == arrival.name) {
                    match.kind = ScenarioKind::document;
                    match.conf = ScenarioMatch::Conf::high;
                    match.renameReady = true;
                    match.base = arrival.base;
                    match.recognized = Loc::shared().language() == u"en" ? arrival.recognized
                                                                         : arrival.recognizedZh;
                }
            }
            return match;
        };
        options.mover = [](const QString &, const QString &) -> QString {
            throw FileOpsError(QStringLiteral("Permission denied"), EACCES);
        };
        m_agent = new WatchAgent(options, this);
        connect(m_agent, &WatchAgent::watching, this, [this] { m_watching = true; });
        m_agent->start();

        setAutoFillBackground(true);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_popover = new AgentPopover(*m_agent, this);
        m_popover->setFrameShape(QFrame::StyledPanel);
        column->addWidget(m_popover, 0, Qt::AlignTop);
        column->addStretch(1);
    }

    ~AgentShot() override
    {
        delete m_popover;
        delete m_agent;
        QDir(m_folder).removeRecursively();
    }

    bool ready()
    {
        if (m_files == 0)
            return true;
        if (!m_watching)
            return false;
        if (!m_written) {
            // Oldest first, so the list shows them newest first as a user would see them.
            for (int i = m_files - 1; i >= 0; --i) {
                QFile file(m_folder + u'/' + arrivals().at(i).name);
                if (file.open(QIODevice::WriteOnly))
                    file.write("x");
            }
            m_written = true;
            return false;
        }
        if (m_agent->pending().size() < m_files)
            return false;
        if (!m_failed) {
            m_agent->accept(m_agent->pending().first()); // shows the error row
            m_failed = true;
            return false;
        }
        return true;
    }

private:
    QString m_folder;
    int m_files;
    WatchAgent *m_agent = nullptr;
    AgentPopover *m_popover = nullptr;
    bool m_watching = false;
    bool m_written = false;
    bool m_failed = false;
};

Shot popover(const QString &state, bool enabled, int files)
{
    return {QStringLiteral("agent"), state,
            [enabled, files](const Context &context) -> QWidget * {
                return new AgentShot(context.fixture, enabled, files);
            },
            [](QWidget *widget) { return static_cast<AgentShot *>(widget)->ready(); },
            {AgentPopover::fixedWidth, AgentPopover::maxHeight}};
}

// The tray icon at the sizes tray hosts use, with no count, a count and a large count,
// and its tooltip.
QWidget *trayIcons(const Context &)
{
    auto *strip = new QWidget;
    strip->setAutoFillBackground(true);
    auto *column = new QVBoxLayout(strip);
    auto *icons = new QHBoxLayout;
    for (const int count : {0, 3, 120}) {
        for (const int side : {22, 32, 64}) {
            auto *label = new QLabel(strip);
            label->setPixmap(badgedIcon(count).pixmap(side, side));
            icons->addWidget(label);
        }
        icons->addSpacing(16);
    }
    icons->addStretch(1);
    column->addLayout(icons);
    column->addWidget(Kit::plainLabel(trayToolTip(3), strip));
    return strip;
}

} // namespace

QList<Shot> agentShots()
{
    return {
        popover(QStringLiteral("popover-disabled"), false, 0),
        popover(QStringLiteral("popover-idle"), true, 0),
        popover(QStringLiteral("popover-list"), true, 3),
        {QStringLiteral("agent"), QStringLiteral("tray-icon"), trayIcons, {}, {480, 0}},
    };
}

} // namespace Shots
