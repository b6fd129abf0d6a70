#pragma once

#include <QDialog>

class TProgramData;

// The general preferences: editor, display and start-up.
class TPreferencesDlg : public QDialog {
    Q_OBJECT

public:
    explicit TPreferencesDlg(TProgramData& program, QWidget* parent = nullptr);

private:
    TProgramData& Program;
};
