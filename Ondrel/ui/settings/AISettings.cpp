#include "AISettings.h"

#include "Defaults.h"
#include "DisplayHelpers.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "Namer.h"
#include "OllamaProbe.h"
#include "SystemModel.h"
#include "window/BrainStatusFeed.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using StatusKind = LocalBrain::Status::Kind;
using DownloadKind = ModelDownload::State::Kind;

namespace {

void startModel()
{
    ModelDownload::shared().start();
}

QString preferredModel()
{
    return Defaults::shared().string(Namer::preferredModelKey, Namer::defaultModel);
}

QHBoxLayout *rowOf(std::initializer_list<QWidget *> widgets, bool stretchBeforeLast)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(Kit::Space::normal);
    int i = 0;
    for (QWidget *widget : widgets) {
        if (stretchBeforeLast && ++i == int(widgets.size()))
            row->addStretch(1);
        row->addWidget(widget);
    }
    if (!stretchBeforeLast)
        row->addStretch(1);
    return row;
}

} // namespace

AISettings::AISettings(QWidget *parent)
    : SettingsForm::Page(parent), m_feed(new BrainStatusFeed(this)), m_probe(new OllamaProbe(this))
{
    setObjectName(QStringLiteral("aiSettings"));
    buildBrainSection();
    buildAdvancedSection();

    connect(m_feed, &BrainStatusFeed::changed, this, &AISettings::refresh);
    connect(m_probe, &OllamaProbe::answered, this, [this] {
        m_feed->setOllamaUp(m_probe->up().value_or(false));
        showConnection();
    });
    connect(m_probe, &OllamaProbe::modelsChanged, this, &AISettings::showModels);
    refresh();
    showConnection();
}

AISettings::ProgressRow AISettings::progressRow(const char *name, QWidget *parent)
{
    ProgressRow row{new QWidget(parent), nullptr, nullptr, nullptr};
    row.row->setObjectName(QString::fromLatin1(name));
    row.bar = SettingsForm::progressBar(row.row);
    row.bar->setObjectName(QStringLiteral("progressBar"));
    row.bar->setFixedWidth(160);
    row.label = Kit::plainLabel({}, row.row);
    row.label->setObjectName(QStringLiteral("progressLabel"));
    Kit::setTextLevel(row.label, Kit::Level::secondary);
    row.cancel = new QPushButton(L("取消"), row.row);
    row.cancel->setObjectName(QStringLiteral("cancelDownload"));
    row.cancel->setAutoDefault(false);
    connect(row.cancel, &QPushButton::clicked, this, [] { ModelDownload::shared().cancel(); });
    auto *line = new QHBoxLayout(row.row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Kit::Space::normal);
    line->addWidget(row.bar);
    line->addWidget(row.label, 1);
    line->addWidget(row.cancel);
    return row;
}

// A running download: a bar with "下载中 N%" and "取消", or a busy bar with "校验中…". For
// the brain's own row (`brain`) the texts say the brain is being prepared and there is no
// cancel button.
void AISettings::showProgress(const ProgressRow &row, const ModelDownload::State &download, bool brain)
{
    if (download.kind == DownloadKind::downloading) {
        SettingsForm::setFraction(row.bar, download.fraction);
        const qint64 percent = percentOf(download.fraction);
        row.label->setText(brain ? L("正在准备本地大脑…%lld%%", percent) : L("下载中 %lld%%", percent));
    } else {
        row.bar->setRange(0, 0); // busy
        row.label->setText(brain ? L("正在准备本地大脑…") : L("校验中…"));
    }
    row.cancel->setVisible(!brain && download.kind == DownloadKind::downloading);
}

QPushButton *AISettings::upgradeButton(const char *name, QWidget *parent)
{
    auto *button = new QPushButton(L("升级到 Qwen2.5-3B（命名更准，约 2GB）"), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setCursor(Qt::PointingHandCursor);
    Kit::setTextLevel(button, Kit::Level::secondary);
    connect(button, &QPushButton::clicked, this, &startModel);
    return button;
}

void AISettings::buildBrainSection()
{
    SettingsForm::Section *section = addSection(L("本地大脑"));
    m_status = new SettingsForm::StatusLabel(QStringLiteral("checkmark.circle.fill"), Kit::Tint::green, section);
    m_status->setObjectName(QStringLiteral("brainStatus"));
    m_prepare = new QPushButton(L("准备本地大脑"), section);
    m_prepare->setObjectName(QStringLiteral("prepareBrain"));
    m_retry = new QPushButton(L("重试"), section);
    m_retry->setObjectName(QStringLiteral("retryBrain"));
    for (QPushButton *button : {m_prepare, m_retry}) {
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, &startModel);
    }
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_prepare, 0, Qt::AlignTop);
    statusRow->addWidget(m_retry, 0, Qt::AlignTop);
    section->addRow(statusRow);

    m_preparing = progressRow("brainPreparing", section);
    section->addRow(m_preparing.row);
    m_readyNote = SettingsForm::caption(L("读文件内容、本地起名，全程不上传。"), section);
    m_readyNote->setObjectName(QStringLiteral("readyNote"));
    section->addRow(m_readyNote);
    m_upgradeProgress = progressRow("upgradeProgress", section);
    section->addRow(m_upgradeProgress.row);
    m_upgrade = upgradeButton("upgradeBrain", section);
    section->addRow(rowOf({m_upgrade}, false));
    section->addRow(SettingsForm::caption(L("Marovel 自动用最合适的本地引擎，名字始终在本机生成、绝不上传。"), section));
}

void AISettings::buildAdvancedSection()
{
    SettingsForm::Section *section = addSection({});
    m_disclosure = new QToolButton(section);
    m_disclosure->setObjectName(QStringLiteral("advancedDisclosure"));
    m_disclosure->setText(L("高级（可选）"));
    m_disclosure->setAutoRaise(true);
    m_disclosure->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_disclosure->setArrowType(Qt::RightArrow);
    section->addRow(m_disclosure);

    m_advanced = new QWidget(section);
    m_advanced->setObjectName(QStringLiteral("advancedArea"));
    m_advanced->setVisible(false);
    auto *column = new QVBoxLayout(m_advanced);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Kit::Space::normal);

    m_endpoint = new QLineEdit(Namer::baseText(), m_advanced);
    m_endpoint->setObjectName(QStringLiteral("ollamaEndpoint"));
    m_endpoint->setPlaceholderText(L("Ollama 地址"));
    m_endpoint->setAccessibleName(L("Ollama 地址"));
    auto *check = new QPushButton(L("检测"), m_advanced);
    check->setObjectName(QStringLiteral("probeOllama"));
    check->setAutoDefault(false);
    auto *endpointRow = new QHBoxLayout;
    endpointRow->addWidget(m_endpoint, 1);
    endpointRow->addWidget(check);
    column->addLayout(endpointRow);

    m_connection = new SettingsForm::StatusLabel(QStringLiteral("checkmark.circle.fill"), Kit::Tint::green, m_advanced);
    m_connection->setObjectName(QStringLiteral("ollamaConnection"));
    Kit::setTextRole(m_connection, Kit::TextRole::caption);
    column->addWidget(m_connection);

    m_modelRow = new QWidget(m_advanced);
    m_modelRow->setObjectName(QStringLiteral("modelRow"));
    m_model = new QComboBox(m_modelRow);
    m_model->setObjectName(QStringLiteral("modelPicker"));
    m_model->setMinimumWidth(220);
    auto *modelLine = SettingsForm::labelledRow(L("模型"), m_model, m_modelRow);
    modelLine->setContentsMargins(0, 0, 0, 0);
    m_modelRow->setLayout(modelLine);
    column->addWidget(m_modelRow);

    // The local model's row.
    m_model3B = new SettingsForm::StatusLabel(QStringLiteral("checkmark.seal.fill"), Kit::Tint::green, m_advanced);
    m_model3B->setObjectName(QStringLiteral("model3B"));
    m_model3B->set(QStringLiteral("checkmark.seal.fill"), Kit::Tint::green, L("本地大脑：Qwen2.5-3B（约 2GB，本机离线运行）"));
    column->addWidget(m_model3B);
    m_modelProgress = progressRow("modelProgress", m_advanced);
    column->addWidget(m_modelProgress.row);
    m_modelFailed = new SettingsForm::StatusLabel(QStringLiteral("exclamationmark.triangle"), Kit::Tint::orange, m_advanced);
    m_modelFailed->setObjectName(QStringLiteral("modelFailed"));
    m_modelRetry = new QPushButton(L("重试"), m_advanced);
    m_modelRetry->setObjectName(QStringLiteral("retryModel"));
    m_modelRetry->setAutoDefault(false);
    connect(m_modelRetry, &QPushButton::clicked, this, &startModel);
    auto *failedRow = new QHBoxLayout;
    failedRow->addWidget(m_modelFailed, 1);
    failedRow->addWidget(m_modelRetry, 0, Qt::AlignTop);
    column->addLayout(failedRow);
    m_modelUpgrade = upgradeButton("upgradeModel", m_advanced);
    column->addLayout(rowOf({m_modelUpgrade}, false));
    column->addWidget(SettingsForm::caption(L("没装 Ollama 也能用——这里只给想要更高质量的高级用户。"), m_advanced));
    section->addRow(m_advanced);

    connect(m_disclosure, &QToolButton::clicked, this, [this] {
        const bool open = !m_advanced->isVisibleTo(this);
        m_disclosure->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_advanced->setVisible(open);
    });
    // Stored as typed, unchecked: the next request and the next probe use it.
    connect(m_endpoint, &QLineEdit::textEdited, this,
            [](const QString &text) { Defaults::shared().setValue(Namer::endpointKey, text); });
    connect(check, &QPushButton::clicked, m_probe, &OllamaProbe::start);
    connect(m_model, &QComboBox::activated, this, [this] {
        Defaults::shared().setValue(Namer::preferredModelKey, m_model->currentText());
    });
}

AISettings::Facts AISettings::currentFacts() const
{
    Facts facts;
    facts.status = m_feed->current();
    facts.download = ModelDownload::shared().state();
    facts.has3B = LocalLLM::has3B();
    facts.hasModel = LocalLLM::activeModelPath().has_value();
    return facts;
}

void AISettings::refresh()
{
    showFacts(currentFacts());
}

void AISettings::showFacts(const Facts &facts)
{
    const LocalBrain::Status &status = facts.status;
    const ModelDownload::State &download = facts.download;
    const bool running = download.kind == DownloadKind::downloading || download.kind == DownloadKind::verifying;

    // The status row.
    switch (status.kind) {
    case StatusKind::ready:
        m_status->set(QStringLiteral("checkmark.circle.fill"), Kit::Tint::green, L("本地大脑已就绪"));
        break;
    case StatusKind::notReady:
        m_status->set(QStringLiteral("exclamationmark.circle.fill"), Kit::Tint::orange, L("本地大脑还没准备好"));
        break;
    case StatusKind::failed:
        m_status->set(QStringLiteral("xmark.circle.fill"), Kit::Tint::red, status.message);
        break;
    case StatusKind::preparing: break;
    }
    m_status->setVisible(status.kind != StatusKind::preparing);
    m_prepare->setVisible(status.kind == StatusKind::notReady);
    m_retry->setVisible(status.kind == StatusKind::failed);
    m_preparing.row->setVisible(status.kind == StatusKind::preparing);
    if (status.kind == StatusKind::preparing)
        showProgress(m_preparing, status.indeterminate ? ModelDownload::State::verifying()
                                                       : ModelDownload::State::downloading(status.progress),
                     true);
    const bool ready = status.kind == StatusKind::ready;
    m_readyNote->setVisible(ready);

    // The upgrade offer of a ready brain whose model is not the 3B one.
    const bool offerUpgrade = ready && facts.hasModel && !facts.has3B;
    m_upgradeProgress.row->setVisible(offerUpgrade && running);
    if (offerUpgrade && running)
        showProgress(m_upgradeProgress, download, false);
    m_upgrade->setVisible(offerUpgrade && !running);

    // The local model's row of the advanced area.
    m_model3B->setVisible(facts.has3B);
    const bool failed = !facts.has3B && download.kind == DownloadKind::failed;
    m_modelProgress.row->setVisible(!facts.has3B && running);
    if (!facts.has3B && running)
        showProgress(m_modelProgress, download, false);
    m_modelFailed->setVisible(failed);
    m_modelRetry->setVisible(failed);
    if (failed)
        m_modelFailed->set(QStringLiteral("exclamationmark.triangle"), Kit::Tint::orange, download.message);
    m_modelUpgrade->setVisible(!facts.has3B && !running && !failed && facts.hasModel);
}

void AISettings::showConnection()
{
    const std::optional<bool> up = m_probe->up();
    m_connection->setVisible(up.has_value());
    if (up && *up)
        m_connection->set(QStringLiteral("checkmark.circle.fill"), Kit::Tint::green, L("已连接"));
    else if (up)
        m_connection->set(QStringLiteral("xmark.circle"), Kit::Tint::gray, L("未检测到"));
    m_modelRow->setVisible(up.value_or(false));
    showModels();
}

void AISettings::showModels()
{
    const QStringList options = OllamaProbe::modelOptions(preferredModel(), m_probe->models());
    const QSignalBlocker quiet(m_model);
    m_model->clear();
    m_model->addItems(options);
    m_model->setCurrentIndex(int(options.indexOf(preferredModel())));
}

void AISettings::showEvent(QShowEvent *event)
{
    SettingsForm::Page::showEvent(event);
    refresh(); // a model file may have arrived meanwhile
    m_probe->start();
}
