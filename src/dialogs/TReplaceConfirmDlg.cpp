#include "dialogs/TReplaceConfirmDlg.h"

TReplaceConfirmDlg::TReplaceConfirmDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Replace Confirmation"));
}
