#include "dialogs/TPrintDlg.h"

TPrintDlg::TPrintDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Print"));
}
