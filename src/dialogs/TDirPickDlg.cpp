#include "dialogs/TDirPickDlg.h"

TDirPickDlg::TDirPickDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Folder"));
}
