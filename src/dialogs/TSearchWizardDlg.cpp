#include "dialogs/TSearchWizardDlg.h"

TSearchWizardDlg::TSearchWizardDlg(TSearchData& data, TProgramData& program, QWidget* parent)
    : QDialog(parent), Data(data), Program(program)
{
    setWindowTitle(QStringLiteral("Search Assistant"));
}

void TSearchWizardDlg::LoadFilespecChoices(const TSettingsStore&) {}

void TSearchWizardDlg::SaveFilespecChoices(TSettingsStore&) const {}
