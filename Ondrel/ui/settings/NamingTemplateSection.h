#pragma once

#include "SettingsForm.h"

class NamingStore;
class QComboBox;
class QLabel;

// "命名模板": pickers for the date position, the date style and the separator of the
// shared naming template, and a preview of a name assembled with it. Every choice goes
// through the naming store, and the pickers follow the store when it changes elsewhere.
class NamingTemplateSection : public SettingsForm::Section
{
    Q_OBJECT

public:
    explicit NamingTemplateSection(NamingStore &naming, QWidget *parent = nullptr);

    // The preview's file name for the store's template.
    QString previewName() const;

private:
    void apply();
    void choose();

    NamingStore &m_naming;
    QComboBox *m_position;
    QComboBox *m_style;
    QComboBox *m_separator;
    QLabel *m_preview;
};
