#pragma once

#include <QDialog>

class TProgramData;
class TReplaceData;
class TSearchData;

// Edits the replace options before a replace run; closes with Accepted to run it.
class TReplaceWizardDlg : public QDialog {
    Q_OBJECT

public:
    TReplaceWizardDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program,
       QWidget* parent = nullptr);

private:
    TReplaceData& Options;
    const TSearchData& Search;
    const TProgramData& Program;
};
