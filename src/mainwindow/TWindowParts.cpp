// SPDX-License-Identifier: MIT
#include "mainwindow/TWindowParts.h"

#include "mainwindow/TFileListModel.h"
#include "model/TProgramData.h"

TFileData* TWindowParts::FileAt(int row) const
{
    return ListModel.FileAt(row);
}

void TWindowParts::SetSelectedRow(int row)
{
    Program.SelectedItem = FileAt(row);
    State.SelectedRow = Program.SelectedItem != nullptr ? row : -1;
}

void TWindowParts::ForgetRows()
{
    SetSelectedRow(-1);
    State.DisplayedRow = -1;
    State.DisplayedMatches = 0;
    State.CurrentMatch = -1;
}

