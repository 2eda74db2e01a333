#include "ScenarioCard.h"

#include "ActionButton.h"
#include "ActionPaneModel.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "EditDistance.h"
#include "Localization.h"
#include "NamingTemplate.h"
#include "ReadingRow.h"
#include "Telemetry.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "kit/WrappingText.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString acceptedKey = QStringLiteral("hasAcceptedRename");

// A symbol and a short text side by side, both in one colour.
QWidget *symbolLabel(const QString &symbol, Kit::Tint tint, Kit::TextRole role, QLabel **text, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto *glyph = new Kit::SymbolView(symbol, QFontMetrics(Kit::font(role)).height(), box);
    glyph->setTint(tint);
    *text = Kit::plainLabel({}, box);
    Kit::setTextRole(*text, role);
    Kit::setForeground(*text, tint);
    row->addWidget(glyph, 0, Qt::AlignVCenter);
    row->addWidget(*text, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return box;
}

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

} // namespace

ScenarioCard::ScenarioCard(ActionPaneModel &model, QWidget *parent)
    : QWidget(parent), m_state(model.state()), m_model(model)
{
    setObjectName(QStringLiteral("scenarioCard"));
    m_reading = new ReadingRow(this);

    m_card = new Kit::Card(this);
    m_card->setObjectName(QStringLiteral("scenarioCardBody"));
    m_card->setRadius(12);
    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(9);

    // 1. What the card is: "read".
    const int caption2Height = QFontMetrics(Kit::font(Kit::TextRole::caption2)).height();
    m_headingIcon = new Kit::SymbolView(QStringLiteral("doc.text.magnifyingglass"), caption2Height, m_card);
    m_heading = Kit::plainLabel({}, m_card);
    m_heading->setObjectName(QStringLiteral("scenarioHeading"));
    Kit::setTextRole(m_heading, Kit::TextRole::caption2);
    auto *headingRow = new QHBoxLayout;
    headingRow->setSpacing(6);
    headingRow->addWidget(m_headingIcon, 0, Qt::AlignTop);
    headingRow->addWidget(m_heading, 0, Qt::AlignTop);
    headingRow->addStretch(1);
    column->addLayout(headingRow);

    // 2. The recognised text, verbatim.
    m_kindIcon = new Kit::SymbolView(QStringLiteral("doc"), QFontMetrics(Kit::font(Kit::TextRole::subheadline)).height(), m_card);
    m_kindIcon->setObjectName(QStringLiteral("scenarioKindIcon"));
    m_recognized = new Kit::WrappingText(m_card);
    m_recognized->setObjectName(QStringLiteral("scenarioRecognized"));
    QFont recognizedFont = Kit::font(Kit::TextRole::subheadline);
    recognizedFont.setBold(true);
    m_recognized->setFont(recognizedFont);
    auto *recognizedRow = new QHBoxLayout;
    recognizedRow->setSpacing(6);
    recognizedRow->addWidget(m_kindIcon, 0, Qt::AlignTop);
    recognizedRow->addWidget(m_recognized, 1, Qt::AlignTop);
    column->addLayout(recognizedRow);

    // 3. Facts: kind, confidence, lock.
    m_kind = new Kit::Pill(m_card);
    m_kind->setObjectName(QStringLiteral("scenarioKind"));
    Kit::setTextRole(m_kind, Kit::TextRole::caption2);
    m_conf = Kit::plainLabel({}, m_card);
    m_conf->setObjectName(QStringLiteral("scenarioConf"));
    Kit::setTextRole(m_conf, Kit::TextRole::caption2);
    m_lock = symbolLabel(QStringLiteral("lock.fill"), Kit::Tint::green, Kit::TextRole::caption2, &m_lockText, m_card);
    m_lock->setObjectName(QStringLiteral("scenarioLock"));
    m_lockText->setObjectName(QStringLiteral("scenarioLockText"));
    auto *factsRow = new QHBoxLayout;
    factsRow->setSpacing(6);
    factsRow->addWidget(m_kind, 0, Qt::AlignVCenter);
    factsRow->addWidget(m_conf, 0, Qt::AlignVCenter);
    factsRow->addWidget(m_lock, 0, Qt::AlignVCenter);
    factsRow->addStretch(1);
    column->addLayout(factsRow);

    // 4. The detector's note.
    m_note = Kit::plainLabel({}, m_card);
    m_note->setObjectName(QStringLiteral("scenarioNote"));
    m_note->setWordWrap(true);
    Kit::setTextRole(m_note, Kit::TextRole::caption);
    Kit::setTextLevel(m_note, Kit::Level::secondary);
    column->addWidget(m_note);

    // 5. The rename section: already right, the editor, or the offer.
    m_alreadyRight = symbolLabel(QStringLiteral("checkmark.circle.fill"), Kit::Tint::green, Kit::TextRole::callout,
                                 &m_alreadyRightText, m_card);
    m_alreadyRight->setObjectName(QStringLiteral("scenarioAlreadyRight"));
    m_alreadyRightText->setObjectName(QStringLiteral("scenarioAlreadyRightText"));
    column->addWidget(m_alreadyRight);

    m_editor = new QWidget(m_card);
    m_editor->setObjectName(QStringLiteral("scenarioEditor"));
    auto *editorColumn = new QVBoxLayout(m_editor);
    editorColumn->setContentsMargins(0, 0, 0, 0);
    editorColumn->setSpacing(6);
    m_edit = new QLineEdit(m_editor);
    m_edit->setObjectName(QStringLiteral("suggestedEdit"));
    Kit::setTextRole(m_edit, Kit::TextRole::caption);
    m_warning = Kit::plainLabel({}, m_editor);
    m_warning->setObjectName(QStringLiteral("suggestedEditWarning"));
    Kit::setTextRole(m_warning, Kit::TextRole::caption2);
    Kit::setTextLevel(m_warning, Kit::Level::secondary);
    m_cancelButton = new QPushButton(m_editor);
    m_cancelButton->setObjectName(QStringLiteral("editorCancel"));
    m_applyButton = new QPushButton(m_editor);
    m_applyButton->setObjectName(QStringLiteral("editorApply"));
    for (QPushButton *button : {m_cancelButton, m_applyButton}) {
        Kit::setTextRole(button, Kit::TextRole::caption);
        button->setAutoDefault(false);
    }
    Kit::setForeground(m_applyButton, [](const QPalette &) { return QColor(Qt::white); });
    auto *editorButtons = new QHBoxLayout;
    editorButtons->setSpacing(10);
    editorButtons->addWidget(m_cancelButton);
    editorButtons->addStretch(1);
    editorButtons->addWidget(m_applyButton);
    editorColumn->addWidget(m_edit);
    editorColumn->addWidget(m_warning);
    editorColumn->addLayout(editorButtons);
    column->addWidget(m_editor);

    m_offer = new QWidget(m_card);
    m_offer->setObjectName(QStringLiteral("scenarioOffer"));
    auto *offerColumn = new QVBoxLayout(m_offer);
    offerColumn->setContentsMargins(0, 0, 0, 0);
    offerColumn->setSpacing(9);
    m_suggested = new Kit::WrappingText(m_offer);
    m_suggested->setObjectName(QStringLiteral("suggestedName"));
    m_suggested->setFont(Kit::font(Kit::TextRole::caption));
    m_suggested->setSelectable(true);
    m_suggested->setMaximumLines(2);
    m_acceptButton = new ActionButton(QStringLiteral("wand.and.stars"), {}, Kit::Tint::purple, true, m_offer);
    m_acceptButton->setObjectName(QStringLiteral("acceptSuggestion"));
    m_editButton = Kit::plainButton(m_offer);
    m_editButton->setObjectName(QStringLiteral("editSuggestion"));
    m_skipButton = Kit::plainButton(m_offer);
    m_skipButton->setObjectName(QStringLiteral("skipSuggestion"));
    for (QToolButton *button : {m_editButton, m_skipButton}) {
        Kit::setTextRole(button, Kit::TextRole::caption2);
        Kit::setTextLevel(button, Kit::Level::secondary);
    }
    auto *answerRow = new QHBoxLayout;
    answerRow->setSpacing(14);
    answerRow->addWidget(m_editButton);
    answerRow->addWidget(m_skipButton);
    answerRow->addStretch(1);
    offerColumn->addWidget(m_suggested);
    offerColumn->addWidget(m_acceptButton);
    offerColumn->addLayout(answerRow);
    column->addWidget(m_offer);

    // 6. Filing.
    m_fileButton = new ActionButton(QStringLiteral("folder.badge.gearshape"), {}, Kit::Tint::purple, true, m_card);
    m_fileButton->setObjectName(QStringLiteral("fileScenario"));
    column->addWidget(m_fileButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_reading);
    layout->addWidget(m_card);

    bind();
    Kit::retranslate(this, [this] {
        m_heading->setText(L("读到"));
        m_lockText->setText(L("仅本地·未上传"));
        m_alreadyRightText->setText(L("已是这个名字"));
        m_warning->setText(L("名字不能为空"));
        m_cancelButton->setText(L("取消"));
        m_applyButton->setText(L("应用"));
        m_acceptButton->setLabel(L("采用此命名"));
        m_editButton->setText(L("修改后再用"));
        m_skipButton->setText(L("跳过"));
        for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
                 m_cancelButton, m_applyButton, m_editButton, m_skipButton})
            Kit::name(button, button->text());
        scheduleApply();
    });
    apply();
}

void ScenarioCard::bind()
{
    for (auto signal : {&ActionPaneModel::thinkingChanged, &ActionPaneModel::matchChanged,
                        &ActionPaneModel::editingSuggestedChanged, &ActionPaneModel::suggestedEditChanged,
                        &ActionPaneModel::suggestedEditEmptyWarningChanged})
        connect(&m_model, signal, this, &ScenarioCard::scheduleApply);
    // The suggestion is rendered through the naming template of the moment.
    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &key) {
        if (key == NamingTemplate::storageKey || key == NamingTemplate::includeDateKey)
            scheduleApply();
    });
    connect(&m_state, &BrowserState::renameFinished, this, [this](const QString &from, const QString &to) {
        if (to.isEmpty() && from == m_renaming) {
            m_renaming.clear();
            scheduleApply();
        }
    });
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &text) { m_model.setSuggestedEdit(text); });
    connect(m_edit, &QLineEdit::returnPressed, this, &ScenarioCard::applySuggestion);
    connect(m_acceptButton, &QAbstractButton::clicked, this, &ScenarioCard::accept);
    connect(m_editButton, &QAbstractButton::clicked, this, &ScenarioCard::edit);
    connect(m_skipButton, &QAbstractButton::clicked, this, &ScenarioCard::skip);
    connect(m_cancelButton, &QAbstractButton::clicked, this, &ScenarioCard::cancel);
    connect(m_applyButton, &QAbstractButton::clicked, this, &ScenarioCard::applySuggestion);
    connect(m_fileButton, &QAbstractButton::clicked, this, [this] {
        const std::optional<ScenarioMatch> match = m_model.match();
        if (!match || !match->folderHint)
            return;
        m_state.fileScenario(m_item.path, *match->folderHint, currentOffer().filingFinalName);
    });
}

void ScenarioCard::setItem(const FileItem &item)
{
    if (item.path != m_renaming)
        m_renaming.clear();
    m_item = item;
    scheduleApply();
}

ScenarioOffer ScenarioCard::currentOffer() const
{
    const std::optional<ScenarioMatch> match = m_model.match();
    return match ? ScenarioOffer::make(*match, m_item.name) : ScenarioOffer{};
}

// Updates are coalesced and drawn after the action that caused them has finished, so an
// answer's events go out before the offer that reappears after it.
void ScenarioCard::scheduleApply()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        apply();
    });
}

void ScenarioCard::apply()
{
    const std::optional<ScenarioMatch> match = m_model.match();
    const bool thinking = m_model.thinking() && !m_item.isDir;
    const bool showCard = !thinking && match && match->kind != ScenarioKind::unknown;
    m_reading->setVisible(thinking);
    m_card->setVisible(showCard);
    setVisible(thinking || showCard);
    if (!showCard) {
        noteOffer(false, {});
        return;
    }
    applyCard(*match, ScenarioOffer::make(*match, m_item.name));
}

void ScenarioCard::applyCard(const ScenarioMatch &match, const ScenarioOffer &offer)
{
    const Kit::Tint tint = match.sensitive ? Kit::Tint::pink : Kit::Tint::purple;
    m_card->setTint(tint, 0.09);
    m_card->setProperty("tint", match.sensitive ? QStringLiteral("pink") : QStringLiteral("purple"));
    m_headingIcon->setTint(tint);
    Kit::setForeground(m_heading, [tint](const QPalette &palette) { return withAlpha(Kit::tint(tint, palette), 0.8); });
    m_kindIcon->setSymbol(ScenarioKinds::icon(match.kind));
    m_kindIcon->setTint(tint);
    m_recognized->setText(match.recognized);
    m_kind->setText(ScenarioKinds::label(match.kind));
    Kit::setForeground(m_kind, tint);
    m_kind->setFill([tint](const QPalette &palette) { return withAlpha(Kit::tint(tint, palette), 0.15); });

    switch (match.conf) {
    case ScenarioMatch::Conf::high:
        m_conf->setText(L("高把握"));
        Kit::setForeground(m_conf, Kit::Tint::green);
        break;
    case ScenarioMatch::Conf::medium:
        m_conf->setText(L("中把握"));
        Kit::setForeground(m_conf, Kit::Tint::orange);
        break;
    case ScenarioMatch::Conf::low:
        m_conf->setText(L("低把握"));
        Kit::setTextLevel(m_conf, Kit::Level::secondary);
        break;
    }
    m_lock->setVisible(match.sensitive);
    m_note->setText(match.note);
    m_note->setVisible(!match.note.isEmpty());

    const bool renaming = offer.suggested.has_value();
    const bool editing = renaming && !offer.alreadyRight && m_model.editingSuggested();
    const bool offering = renaming && !offer.alreadyRight && !editing && m_renaming != m_item.path;
    m_alreadyRight->setVisible(renaming && offer.alreadyRight);
    const bool editorOpening = editing && m_editor->isHidden();
    m_editor->setVisible(editing);
    if (m_edit->text() != m_model.suggestedEdit())
        m_edit->setText(m_model.suggestedEdit());
    m_warning->setVisible(m_model.suggestedEditEmptyWarning());
    if (editorOpening)
        m_edit->setFocus(Qt::OtherFocusReason);
    QPalette prominent = m_applyButton->palette();
    prominent.setColor(QPalette::Button, Kit::tint(Kit::Tint::accent, palette()));
    m_applyButton->setPalette(prominent);

    m_offer->setVisible(offering);
    if (renaming)
        m_suggested->setText(L("建议命名：%@", *offer.suggested));
    m_acceptButton->setTint(tint);

    m_fileButton->setVisible(offer.filingLabel.has_value());
    if (offer.filingLabel)
        m_fileButton->setLabel(*offer.filingLabel);
    m_fileButton->setTint(tint);

    noteOffer(offering, offer);
}

void ScenarioCard::noteOffer(bool visible, const ScenarioOffer &offer)
{
    if (!visible) {
        m_offerShownFor.clear();
        return;
    }
    const QString shownFor = m_item.path + u'\n' + offer.suggested.value_or(QString());
    if (shownFor == m_offerShownFor)
        return;
    m_offerShownFor = shownFor;
    Telemetry::track(Telemetry::Event::renameOffered(offer.kindText));
    m_model.setOfferedRenameKind(offer.kindText);
    m_model.setOfferedRenameURL(m_item.path);
}

void ScenarioCard::accept()
{
    const ScenarioOffer offer = currentOffer();
    if (!offer.suggested)
        return;
    Telemetry::track(Telemetry::Event::renameAccepted(offer.kindText));
    Defaults::shared().setValue(acceptedKey, true);
    // The offer is answered before the rename: the rename moves the selection, and the
    // pane reloads at once, which would report a still-noted offer as passed over.
    m_model.setOfferedRenameKind(std::nullopt);
    m_model.setOfferedRenameURL({});
    m_renaming = m_item.path;
    m_state.rename(m_item.path, *offer.suggested);
}

void ScenarioCard::edit()
{
    const ScenarioOffer offer = currentOffer();
    if (!offer.suggested)
        return;
    m_model.setSuggestedEdit(*offer.suggested);
    m_model.setEditingSuggested(true);
    m_model.setSuggestedEditEmptyWarning(false);
}

void ScenarioCard::skip()
{
    Telemetry::track(Telemetry::Event::renameRejected(currentOffer().kindText));
    m_model.setOfferedRenameKind(std::nullopt);
    m_model.setOfferedRenameURL({});
}

void ScenarioCard::cancel()
{
    m_model.setEditingSuggested(false);
    m_model.setSuggestedEditEmptyWarning(false);
    Telemetry::track(Telemetry::Event::renameRejected(currentOffer().kindText));
    m_model.setOfferedRenameKind(std::nullopt);
    m_model.setOfferedRenameURL({});
}

void ScenarioCard::applySuggestion()
{
    const ScenarioOffer offer = currentOffer();
    if (!offer.suggested || !m_model.editingSuggested())
        return;
    const QString original = *offer.suggested;
    const QString trimmed = m_model.suggestedEdit().trimmed();
    if (trimmed.isEmpty()) {
        m_model.setSuggestedEdit(original);
        m_model.setSuggestedEditEmptyWarning(true);
        return;
    }
    m_model.setSuggestedEditEmptyWarning(false);
    m_model.setEditingSuggested(false);
    m_model.setOfferedRenameKind(std::nullopt);
    m_model.setOfferedRenameURL({});
    Defaults::shared().setValue(acceptedKey, true);
    if (trimmed == original)
        Telemetry::track(Telemetry::Event::renameAccepted(offer.kindText));
    else
        Telemetry::track(Telemetry::Event::renameEdited(
            offer.kindText, EditDistance::bucket(EditDistance::levenshtein(original, trimmed))));
    m_renaming = m_item.path;
    m_state.rename(m_item.path, trimmed);
}
