#include "presentation/TFileListCsv.h"

#include "model/TDateFormat.h"
#include "model/TFileData.h"

std::string TFileListCsv::Header()
{
    return "Filename,T/B,File type,Folder,Matches,Size,Date";
}

std::string TFileListCsv::Row(const TFileData& record)
{
    const auto quoted = [](const std::string& text) { return '"' + text + '"'; };
    return quoted(record.FileName) + ',' + quoted(record.FileType == TFileData::Text ? "T" : "B") + ',' +
           quoted(record.TypeName) + ',' + quoted(record.InZip ? record.ZipName : record.Folder) + ',' +
           std::to_string(record.Matches.size()) + ',' + std::to_string(record.Size) + ',' +
           quoted(TDateFormat::Program().FormatDateTime(record.Date));
}
