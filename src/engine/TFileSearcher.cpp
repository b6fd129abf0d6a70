// SPDX-License-Identifier: MIT
#include "engine/TFileSearcher.h"

#include <sys/stat.h>

#include "model/TFileData.h"
#include "model/TSearchData.h"

TFileSearcher::TFileSearcher(const TSearchData& criteria, int32_t today)
    : Scanner(criteria), Filter(criteria, today), FilterReadsClass(criteria.SkipTextFiles || criteria.SkipBinaryFiles)
{
}

const char* TFileSearcher::Open(TFileData& record, int folderFd)
{
    Close();
    struct stat info;
    const bool opened = folderFd < 0 ? Reader.OpenUnclassified(record.FullPath, info)
                                     : Reader.OpenUnclassified(folderFd, record.FileName, info);
    if (!opened) {
        Current = State::Unreadable;
        return Filter.SkipReason(record);
    }
    record.TakeStatus(info);
    record.Size = static_cast<int64_t>(info.st_size);
    Current = State::Open;
    if (!FilterReadsClass) {
        // Size, date and name decide: a file they skip is never read.
        if (const char* reason = Filter.SkipReason(record)) {
            Close();
            return reason;
        }
    }

    const std::string_view head = Reader.Head(TFileData::ClassifiedBytes);
    unsigned char last = 0;
    bool haveLast = false;
    if (!Reader.ReadFailed()) {
        if (head.size() < TFileData::ClassifiedBytes) {
            // The file ended within its head: the head's last byte is the file's last byte.
            haveLast = !head.empty();
            last = haveLast ? static_cast<unsigned char>(head.back()) : 0;
        } else {
            haveLast = Reader.LastByte(last);
        }
    }
    if (Reader.ReadFailed()) {
        // As a file that cannot be opened: nothing of it is known but its date.
        record.Size = 0;
        Reader.CloseFile();
        Current = State::Unreadable;
        return Filter.SkipReason(record);
    }
    record.EndsWithNewline = haveLast && last == '\n';
    record.FileType = TFileData::Classify(head);
    Reader.SetFileType(record.FileType, record.EndsWithNewline);

    const char* reason = Filter.SkipReason(record);
    if (reason)
        Close();
    return reason;
}

int64_t TFileSearcher::Scan(const TFileData& record, TLineSink& sink, const std::atomic<bool>& stopRequested)
{
    if (Current == State::Unreadable) {
        Current = State::Closed;
        return 0;
    }
    if (Current == State::Closed && !Reader.OpenRead(record.FullPath, record.EndsWithNewline, record.FileType))
        return 0;
    const int64_t count = Scanner.Scan(Reader, record.FileType, sink, stopRequested);
    Close();
    return count;
}

void TFileSearcher::Close()
{
    if (Reader.IsOpen())
        Reader.CloseFile();
    Current = State::Closed;
}
