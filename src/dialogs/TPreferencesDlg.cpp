#include "dialogs/TPreferencesDlg.h"

TPreferencesDlg::TPreferencesDlg(TProgramData& program, QWidget* parent) : QDialog(parent), Program(program)
{
    setWindowTitle(QStringLiteral("Preferences"));
}
