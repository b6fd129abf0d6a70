#include "dialogs/TSearchDlg.h"

TSearchDlg::TSearchDlg(TSearchData& data, TProgramData& program, QWidget* parent)
    : QDialog(parent), Data(data), Program(program)
{
    setWindowTitle(QStringLiteral("Search Criteria"));
}

void TSearchDlg::LoadHistory(const TSettingsStore&) {}

void TSearchDlg::SaveHistory(TSettingsStore&) const {}
