#pragma once

#include <QDialog>

class TProgramData;
class TSearchData;
class TSettingsStore;

// The expert search dialog: edits the search parameters; closes with Accepted when they are
// valid and stored.
class TSearchDlg : public QDialog {
    Q_OBJECT

public:
    TSearchDlg(TSearchData& data, TProgramData& program, QWidget* parent = nullptr);

    // The three history lists of the drop-down boxes.
    void LoadHistory(const TSettingsStore& store);
    void SaveHistory(TSettingsStore& store) const;

private:
    TSearchData& Data;
    TProgramData& Program;
};
