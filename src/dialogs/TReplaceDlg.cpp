#include "dialogs/TReplaceDlg.h"

TReplaceDlg::TReplaceDlg(TReplaceData& options, const TSearchData& search, const TProgramData& program, QWidget* parent)
    : QDialog(parent), Options(options), Search(search), Program(program)
{
}
