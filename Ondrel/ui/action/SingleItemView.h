#pragma once

#include "FileItem.h"

#include <QWidget>

class ActionButton;
class ActionGrid;
class ActionPaneModel;
class ItemNameLabel;
class ModelDownload;
class ModelSetupCard;
class NamingResult;
class OpenWithButton;
class QLabel;
class ScenarioCard;
class TagDots;
class Thumb;

// What the action pane shows for one selected item, top to bottom: thumbnail; name, info
// line (kind · size · date) and tags; for a file the engine section (the model setup card
// while no engine is ready, the scenario card, the engine line once one is); then under
// "下一步" the hero action ("进入并 AI 整理" for a folder, "AI 起个好名字" for a file), the
// naming result of a file, the action grid, and a file's open-with menu. 16 points of
// margin on every edge.
//
// Built once; setItem() updates it in place and rebuilds only what depends on the kind of
// item.
class SingleItemView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int margin = 16;
    static constexpr int spacing = 14;
    static constexpr int thumbSide = 132;

    SingleItemView(ActionPaneModel &model, ModelDownload &download, QWidget *parent = nullptr);

    void setItem(const FileItem &item);
    const FileItem &item() const { return m_item; }

    // The places the scenario card and the naming result take.
    ScenarioCard *scenarioCard() const { return m_scenarioCard; }
    NamingResult *namingResult() const { return m_namingResult; }

private:
    void applyTexts();
    void applyHero();
    void applyEngine();
    void applyOpenWith();
    void heroClicked();

    ActionPaneModel &m_model;
    FileItem m_item;
    bool m_hasItem = false;

    Thumb *m_thumb;
    ItemNameLabel *m_name;
    QLabel *m_info;
    TagDots *m_tags;
    ModelSetupCard *m_setupCard;
    ScenarioCard *m_scenarioCard;
    QWidget *m_engineLine;
    QLabel *m_engineText;
    QLabel *m_header;
    ActionButton *m_hero;
    NamingResult *m_namingResult;
    ActionGrid *m_grid;
    OpenWithButton *m_openWith;
};
