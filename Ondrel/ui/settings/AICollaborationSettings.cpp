#include "AICollaborationSettings.h"

#include "CollaborationStore.h"
#include "CoreError.h"
#include "Localization.h"
#include "WhenReady.h"
#include "Workspace.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

// A step number in a filled circle.
class StepBadge : public QWidget
{
public:
    StepBadge(int number, QWidget *parent) : QWidget(parent), m_number(number) { setFixedSize(18, 18); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Kit::tint(Kit::Tint::accent, palette()));
        p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QString::number(m_number));
    }

private:
    int m_number;
};

QString describe(const std::exception &error)
{
    if (const auto *marovel = dynamic_cast<const MarovelError *>(&error))
        return marovel->description();
    return QString::fromLocal8Bit(error.what());
}

QLabel *warning(const char *name, QWidget *parent)
{
    auto *label = SettingsForm::caption({}, parent);
    label->setObjectName(QString::fromLatin1(name));
    Kit::setForeground(label, Kit::Tint::orange);
    return label;
}

QWidget *iconRow(const QString &symbol, Kit::Tint tint, QWidget *text, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *icon = new Kit::SymbolView(symbol, 16, row);
    icon->setTint(tint);
    text->setParent(row);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Kit::Space::normal);
    line->addWidget(icon, 0, Qt::AlignTop);
    line->addWidget(text, 1);
    return row;
}

} // namespace

AICollaborationSettings::AICollaborationSettings(CollaborationStore &store, const McpClientConfig::Command &command,
                                                 QWidget *parent)
    : SettingsForm::Page(parent), m_store(store), m_command(command)
{
    setObjectName(QStringLiteral("collaborationSettings"));
    buildIntro();
    buildScope();
    buildCapabilities();
    buildConnect();
    buildFlow();

    connect(&m_store, &CollaborationStore::workspacesChanged, this, &AICollaborationSettings::showWorkspaces);
    connect(&m_store, &CollaborationStore::lastErrorChanged, this, &AICollaborationSettings::showProblems);
    connect(&m_store, &CollaborationStore::tornRecordsChanged, this, &AICollaborationSettings::showProblems);
    showWorkspaces();
    showProblems();
}

void AICollaborationSettings::buildIntro()
{
    SettingsForm::Section *section = addSection({});
    auto *title = Kit::plainLabel(L("让 AI 成为有边界的文件协作者"));
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    title->setWordWrap(true);
    QWidget *titleRow = iconRow(QStringLiteral("person.2.badge.gearshape"), Kit::Tint::accent, title, section);
    auto *text = Kit::plainLabel(L("Marovel 不是把全盘文件交给 AI，而是提供统一协作边界：AI 先知道可访问范围，再理解目录，最后提交可解释的计划。用户始终掌握批准与回退。"),
                                 section);
    text->setWordWrap(true);
    Kit::setTextLevel(text, Kit::Level::secondary);
    section->addRow(titleRow);
    section->addRow(text);
}

void AICollaborationSettings::buildScope()
{
    SettingsForm::Section *section = addSection(L("授权范围"));
    m_count = Kit::plainLabel({}, section);
    m_count->setObjectName(QStringLiteral("workspaceCount"));
    Kit::setTextLevel(m_count, Kit::Level::secondary);
    auto *add = new QPushButton(L("添加工作区…"), section);
    add->setObjectName(QStringLiteral("addWorkspace"));
    auto *refresh = new QPushButton(L("刷新"), section);
    refresh->setObjectName(QStringLiteral("refreshWorkspaces"));
    refresh->setFont(Kit::font(Kit::TextRole::callout));
    auto *header = new QHBoxLayout;
    header->addWidget(m_count);
    header->addStretch(1);
    for (QPushButton *button : {add, refresh}) {
        button->setAutoDefault(false);
        header->addWidget(button);
    }
    section->addRow(header);

    auto *hintText = Kit::plainLabel(L("先授权一个工作文件夹，外部 AI 才能开始协作。"));
    hintText->setWordWrap(true);
    Kit::setTextRole(hintText, Kit::TextRole::caption);
    Kit::setForeground(hintText, Kit::Tint::orange);
    m_emptyHint = iconRow(QStringLiteral("lock.fill"), Kit::Tint::orange, hintText, section);
    m_emptyHint->setObjectName(QStringLiteral("noWorkspaceHint"));
    section->addRow(m_emptyHint);

    m_workspaces = new QWidget(section);
    m_workspaces->setObjectName(QStringLiteral("workspaces"));
    m_workspaceRows = new QVBoxLayout(m_workspaces);
    m_workspaceRows->setContentsMargins(0, 0, 0, 0);
    m_workspaceRows->setSpacing(Kit::Space::tight);
    section->addRow(m_workspaces);

    m_error = warning("collaborationError", section);
    section->addRow(m_error);
    m_torn = warning("tornRecords", section);
    section->addRow(m_torn);
    section->addRow(SettingsForm::caption(L("只允许这些文件夹及其子目录；不默认扫描全盘，不上传文件内容。"), section));

    connect(add, &QPushButton::clicked, this, [this] { m_store.addFromPicker(); });
    connect(refresh, &QPushButton::clicked, this, [this] { m_store.refresh(); });
}

void AICollaborationSettings::buildCapabilities()
{
    SettingsForm::Section *section = addSection(L("AI 可调用的能力"));
    const struct
    {
        const char *symbol;
        QString title;
        QString description;
    } items[] = {
        {"lock.shield", L("了解范围"), L("列出授权工作区，读取目录和文件元数据；不读取正文。")},
        {"magnifyingglass", L("定位文件"), L("按文件名在授权工作区查找，自动跳过开发缓存。")},
        {"list.clipboard", L("生成计划"), L("为移动、改名、建目录创建计划；计划本身不会改动文件。")},
        {"clock.arrow.circlepath", L("理解历史"), L("读取 Marovel 已记录的事务，解释此前的改变。")},
    };
    for (const auto &item : items) {
        auto *text = new QWidget;
        auto *column = new QVBoxLayout(text);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(Kit::Space::hairline);
        column->addWidget(Kit::plainLabel(item.title, text));
        column->addWidget(SettingsForm::caption(item.description, text));
        section->addRow(iconRow(QString::fromLatin1(item.symbol), Kit::Tint::accent, text, section));
    }
}

void AICollaborationSettings::buildConnect()
{
    SettingsForm::Section *section = addSection(L("接入外部 AI"));
    section->addRow(SettingsForm::caption(
        L("支持 MCP 的 AI 软件可通过本机 stdio 接入；不需开放端口、登录云端或授予全盘权限。"), section));

    auto *card = new Kit::Card(section);
    card->setTint(Kit::Tint::gray, 0.14);
    card->setRadius(7);
    auto *config = Kit::plainLabel(configuration(), card);
    config->setObjectName(QStringLiteral("mcpConfiguration"));
    config->setTextInteractionFlags(Qt::TextSelectableByMouse);
    config->setWordWrap(true);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(Kit::font(Kit::TextRole::caption).pointSizeF());
    config->setFont(mono);
    auto *padding = new QVBoxLayout(card);
    padding->setContentsMargins(Kit::Space::normal, Kit::Space::normal, Kit::Space::normal, Kit::Space::normal);
    padding->addWidget(config);
    section->addRow(card);

    if (!m_command.found) {
        QLabel *missing = warning("serverMissing", section);
        missing->setText(L("这台机器上还没有 marovel-mcp；安装 Marovel 后，它会在上面的路径。"));
        section->addRow(missing);
    }

    auto *copyConfig = new QPushButton(L("复制 MCP 配置"), section);
    copyConfig->setObjectName(QStringLiteral("copyConfiguration"));
    auto *copyPromptButton = new QPushButton(L("复制协作说明"), section);
    copyPromptButton->setObjectName(QStringLiteral("copyPrompt"));
    m_copiedLabel = Kit::plainLabel({}, section);
    m_copiedLabel->setObjectName(QStringLiteral("copiedNote"));
    Kit::setTextRole(m_copiedLabel, Kit::TextRole::caption);
    Kit::setForeground(m_copiedLabel, Kit::Tint::green);
    m_copiedLabel->setVisible(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {copyConfig, copyPromptButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addWidget(m_copiedLabel);
    buttons->addStretch(1);
    section->addRow(buttons);
    section->addRow(SettingsForm::caption(L("当前 MCP 开放：工作区、目录上下文、文件名查找、文件元数据、创建计划和事务历史。写入执行与正文读取保持关闭。"),
                                          section));

    connect(copyConfig, &QPushButton::clicked, this, &AICollaborationSettings::copyConfiguration);
    connect(copyPromptButton, &QPushButton::clicked, this, &AICollaborationSettings::copyPrompt);
}

void AICollaborationSettings::buildFlow()
{
    SettingsForm::Section *section = addSection(L("协作流程"));
    const QString steps[] = {L("1. 用户授权工作区"), L("2. AI 读取受限目录上下文"), L("3. AI 提交计划，用户审阅后决定执行")};
    int number = 0;
    for (const QString &step : steps) {
        auto *row = new QHBoxLayout;
        row->setSpacing(Kit::Space::normal);
        row->addWidget(new StepBadge(++number, section));
        row->addWidget(Kit::plainLabel(step, section), 1);
        section->addRow(row);
    }
}

QString AICollaborationSettings::configuration() const
{
    return McpClientConfig::text(m_command.path);
}

void AICollaborationSettings::copyConfiguration()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(configuration());
    setCopied(L("已复制 MCP 配置"));
}

void AICollaborationSettings::copyPrompt()
{
    const QString prompt = L("你正在通过 Marovel 与用户协作管理本地文件。先调用 marovel_list_workspaces，只在用户授权的工作区内工作。用 directory_context、find_files 和 file_info 读取元数据；不要默认读取正文或扫描工作区外路径。对移动、改名、建目录只能调用 marovel_create_plan：向用户解释计划与影响，并等待明确确认。不要用 shell 的 mv、rm 或直接修改 Marovel 数据。Marovel 原则：范围受限、计划先行、用户可见、可回退。");
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(prompt);
    setCopied(L("已复制协作说明"));
}

void AICollaborationSettings::setCopied(const QString &confirmation)
{
    m_copied = confirmation;
    m_copiedLabel->setText(confirmation);
    m_copiedLabel->setVisible(!confirmation.isEmpty());
}

void AICollaborationSettings::showWorkspaces()
{
    const QList<Workspace> &workspaces = m_store.workspaces();
    m_count->setText(L("已授权 %lld 个工作区", qint64(workspaces.size())));
    m_emptyHint->setVisible(workspaces.isEmpty());
    // Later: the row of a clicked "移除" is still handling that click.
    while (QLayoutItem *item = m_workspaceRows->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    for (const Workspace &workspace : workspaces) {
        auto *name = new Kit::ElidingLabel(workspace.name);
        name->setObjectName(QStringLiteral("workspaceName"));
        name->setAttribute(Qt::WA_TransparentForMouseEvents); // the row's tooltip shows the path
        auto *removal = SettingsForm::removeButton(nullptr);
        removal->setObjectName(QStringLiteral("removeWorkspace"));
        Kit::name(removal, L("移除") + u' ' + workspace.name);
        auto *text = new QWidget;
        auto *line = new QHBoxLayout(text);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(name, 1);
        line->addWidget(removal);
        QWidget *row = iconRow(QStringLiteral("folder.badge.person.crop"), Kit::Tint::accent, text, m_workspaces);
        row->setObjectName(QStringLiteral("workspaceRow"));
        row->setToolTip(workspace.path);
        const QString id = workspace.id;
        connect(removal, &QToolButton::clicked, this, [this, id] { remove(id); });
        m_workspaceRows->addWidget(row);
        row->show();
    }
    m_workspaces->setVisible(!workspaces.isEmpty());
}

void AICollaborationSettings::showProblems()
{
    m_error->setText(m_store.lastError());
    m_error->setVisible(!m_store.lastError().isEmpty());
    const int torn = m_store.tornRecords();
    m_torn->setText(torn > 0 ? L("事务记录中有 %lld 条无法读取，已跳过。", qint64(torn)) : QString());
    m_torn->setVisible(torn > 0);
}

void AICollaborationSettings::remove(const QString &id)
{
    // The registry's file is rewritten off the GUI thread; the store reloads on success.
    whenReady(QtConcurrent::run([id]() -> QString {
                  try {
                      WorkspaceRegistry::shared().remove(id);
                      return {};
                  } catch (const std::exception &error) {
                      return describe(error);
                  }
              }),
              this, [this](const QString &error) {
                  if (error.isEmpty())
                      m_store.refresh();
                  else
                      m_store.setLastError(error);
              });
}

void AICollaborationSettings::showEvent(QShowEvent *event)
{
    SettingsForm::Page::showEvent(event);
    m_store.refresh();
}
