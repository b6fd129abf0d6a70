#include "mainwindow/TWindowParts.h"

#include "mainwindow/TFileListModel.h"
#include "model/TProgramData.h"
#include "presentation/TTextDecoder.h"

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

QString TWindowParts::Display(const std::string& bytes)
{
    const std::string utf8 = TTextDecoder::ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string TWindowParts::Bytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}
