#pragma once

#include <QDialog>

class TProgramData;
class TSearchData;
class TSettingsStore;

// The search assistant of beginner mode: the search parameters in four pages.
class TSearchWizardDlg : public QDialog {
    Q_OBJECT

public:
    TSearchWizardDlg(TSearchData& data, TProgramData& program, QWidget* parent = nullptr);

    // The file types the assistant offers.
    void LoadFilespecChoices(const TSettingsStore& store);
    void SaveFilespecChoices(TSettingsStore& store) const;

private:
    TSearchData& Data;
    TProgramData& Program;
};
