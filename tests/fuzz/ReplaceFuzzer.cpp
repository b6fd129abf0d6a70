// SPDX-License-Identifier: MIT
// A file of arbitrary bytes is searched for real, then replaced in: outside the replaced spans the
// file the run writes must be the original byte for byte. An independent reference splits the
// original into lines (LF or CR LF ends; a CR anywhere else is a byte of its line; a last line
// without a line end stays without one), puts the replacement in place of the accepted matches
// and compares with what the engine wrote:
//  - copy mode: the new file holds the changes and the original is untouched;
//  - overwrite mode: the original holds the changes, the backup (when asked for) the old bytes;
//  - a run whose every answer is No writes the original bytes back; a cancelled file is left as
//    it was, with nothing beside it; a binary file is refused and left alone;
//  - every question shows the line with the changes accepted so far and with this one made, and
//    the report counts the changes made.
// Every match the search records must lie inside its line, in order and without overlap, and
// carry its line's length.
//
// Input: eight header bytes (flags, search mode and format, search length, replacement length,
// the question answered with a cancel, the length, byte and place of a long filler run), eight
// bytes of answers, one bit a question, then the search text, the replacement and the file's
// content.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TSearchEngine.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TProgramData.h"
#include "model/TSearchData.h"
#include "model/TSearchStats.h"
#include "model/TShellInfo.h"
#include "presentation/THTMLEscape.h"
#include "presentation/THTMLWin.h"
#include "replace/TReplaceData.h"
#include "replace/TReplaceEngine.h"

#include "FuzzSupport.h"

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWhole(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    fuzz::Require(out.good(), "the test file could not be written");
}

std::vector<std::string> NamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Line {
    std::string_view Text;
    std::string_view End;
};

// The lines of a file as a text reader sees them: each ends at a line feed, which with a CR just
// before it makes a CR LF end; the bytes after the last line feed, when there are any, are a last
// line without an end.
std::vector<Line> SplitLines(std::string_view bytes)
{
    std::vector<Line> lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t lf = bytes.find('\n', from);
        if (lf == std::string_view::npos) {
            lines.push_back({bytes.substr(from), {}});
            break;
        }
        if (lf > from && bytes[lf - 1] == '\r')
            lines.push_back({bytes.substr(from, lf - 1 - from), bytes.substr(lf - 1, 2)});
        else
            lines.push_back({bytes.substr(from, lf - from), bytes.substr(lf, 1)});
        from = lf + 1;
    }
    return lines;
}

// `text` with the replacement in place of the spans of `matches` (of this line) that `take`
// accepts, built from left to right out of the original's pieces.
template <class Take>
std::string Rebuilt(std::string_view text, const TMatch* matches, std::size_t count, std::string_view replacement,
                    Take take)
{
    std::string out;
    std::size_t position = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!take(i))
            continue;
        const auto start = static_cast<std::size_t>(matches[i].StartPos - 1);
        out.append(text.substr(position, start - position));
        out.append(replacement);
        position = static_cast<std::size_t>(matches[i].EndPos - 1);
    }
    out.append(text.substr(position));
    return out;
}

struct Input {
    bool Overwrite = false;
    bool Confirmation = false;
    bool MatchCase = false;
    bool WholeWords = false;
    bool Invert = false;
    bool Cancel = false;
    bool MakeBackup = false;
    uint8_t SearchMode = 0;
    uint8_t Format = 0;
    uint8_t Field = 0;
    uint8_t Separator = 0;
    std::size_t CancelAt = 0;
    bool CancelAll = false;
    std::string_view Answers;
    std::string SearchText;
    std::string Replacement;
    std::string Content;
};

constexpr std::size_t HeaderSize = 8;
constexpr std::size_t AnswerBytes = 8;
// The filler, in steps of this many bytes, reaches past the reader's 256 KiB buffer.
constexpr std::size_t FillerStep = 2048;
// How many bytes of lines a run with questions may show before it is left out.
constexpr std::size_t AskedBytesBudget = std::size_t{1} << 28;

bool Parse(const uint8_t* data, std::size_t size, Input& in)
{
    if (size < HeaderSize + AnswerBytes)
        return false;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const uint8_t flags = data[0];
    in.Overwrite = flags & 1;
    in.Confirmation = flags & 2;
    in.MatchCase = flags & 4;
    in.WholeWords = flags & 8;
    in.Invert = flags & 16;
    in.Cancel = flags & 32;
    const bool filler = flags & 64;
    in.MakeBackup = flags & 128;
    in.SearchMode = data[1] & 3;
    if (in.SearchMode == 3)
        in.SearchMode = TSearchData::ModeQuick;
    in.Format = (data[1] >> 2) & 3;
    in.Field = (data[1] >> 4) & 3;
    in.Separator = (data[1] >> 6) & 3;
    const std::size_t searchLength = data[2] & 31;
    const std::size_t replacementLength = data[3] & 31;
    in.CancelAt = data[4] & 127;
    in.CancelAll = data[4] & 128;
    in.Answers = bytes.substr(HeaderSize, AnswerBytes);

    std::string_view rest = bytes.substr(HeaderSize + AnswerBytes);
    in.SearchText = rest.substr(0, std::min(searchLength, rest.size()));
    rest.remove_prefix(in.SearchText.size());
    in.Replacement = rest.substr(0, std::min(replacementLength, rest.size()));
    rest.remove_prefix(in.Replacement.size());
    in.Content = rest;
    if (filler && data[5] != 0) {
        const std::size_t at = std::min<std::size_t>(data[7] * 16, in.Content.size());
        in.Content.insert(at, data[5] * FillerStep, static_cast<char>(data[6]));
    }
    return true;
}

enum class Policy { FromInput, DeclineAll };

struct Question {
    int64_t LineNumber;
    bool Kept; // the lines below were kept
    std::string Current;
    std::string New;
};

// Whether the report document holds `text` as a message line of its own.
bool Reported(const std::string& document, std::string_view text)
{
    return document.find("\n" + THTMLEscape::Escape(text) + "<br>\n") != std::string::npos;
}

void CheckRun(const Input& in, Policy policy)
{
    const std::string work = fuzz::Root("replacefuzz") + "/work";
    const std::string files = work + "/files";
    const std::string original = files + "/f.txt";
    std::error_code error;
    fs::remove_all(work, error);
    fs::create_directories(files);
    fs::create_directories(work + "/report");
    WriteWhole(original, in.Content);

    TSearchData criteria;
    criteria.SearchMode = in.SearchMode;
    criteria.SearchString = in.SearchText;
    criteria.MatchCase = in.MatchCase;
    criteria.WholeWordsOnly = in.WholeWords;
    criteria.Invert = in.Invert;
    criteria.TextFileFormat = in.Format;
    criteria.FieldNumber = in.Field;
    criteria.FieldStart = in.Field * 2;
    criteria.FieldWidth = in.Field * 3;
    static const char* const Separators[] = {"", ",", "Tab", "Space"};
    criteria.SeparatorChar = Separators[in.Separator];
    criteria.FileSpecs = {"f.txt"};
    criteria.Folders = {files};
    TFileList results;
    TSearchStats stats;
    TNullShellInfo shell;
    {
        TSearchEngine search(criteria, results, stats, shell);
        search.Search();
    }
    if (results.Count() == 0)
        return;
    fuzz::Require(results.Count() == 1, "one file was searched");
    const TFileData& file = results.Item(0);
    const TMatchList& matches = file.Matches;
    const std::vector<Line> lines = SplitLines(in.Content);

    const bool text = file.FileType == TFileData::Text;
    if (text) {
        for (std::size_t i = 0; i < matches.size(); ++i) {
            const TMatch& m = matches[i];
            fuzz::Require(m.LineNumber >= 1 && static_cast<std::size_t>(m.LineNumber) <= lines.size(),
                    "a match lies on a line of the file");
            const std::size_t length = lines[static_cast<std::size_t>(m.LineNumber - 1)].Text.size();
            fuzz::Require(static_cast<std::size_t>(m.LineLength) == length, "a match carries its line's length");
            fuzz::Require(m.StartPos >= 1 && m.StartPos <= m.EndPos && static_cast<std::size_t>(m.EndPos - 1) <= length,
                    "a match lies inside its line");
            fuzz::Require(m.MatchLength == m.EndPos - m.StartPos, "a match's length is its span's");
            if (i > 0) {
                const TMatch& before = matches[i - 1];
                fuzz::Require(before.LineNumber < m.LineNumber ||
                            (before.LineNumber == m.LineNumber && before.EndPos <= m.StartPos &&
                             before.StartPos < m.StartPos),
                        "matches are in order and do not overlap");
            }
        }
    }

    const bool asks = policy == Policy::DeclineAll || in.Confirmation || in.Cancel;
    if (asks && text) {
        // Every question holds its whole line, so a long line with many matches costs its length
        // for each of them; such runs are left to the run without questions.
        std::size_t cost = 0;
        for (const TMatch& m : matches)
            cost += static_cast<std::size_t>(m.LineLength);
        if (cost > AskedBytesBudget)
            return;
    }

    // The answers: one input bit a question, or No to all; one question may cancel.
    std::vector<TReplaceAnswer> given;
    std::vector<Question> asked;
    auto answerFor = [&](std::size_t k) {
        if (policy == Policy::DeclineAll)
            return TReplaceAnswer::No;
        if (in.Cancel && k == in.CancelAt)
            return in.CancelAll ? TReplaceAnswer::CancelAll : TReplaceAnswer::CancelFile;
        if (!in.Confirmation)
            return TReplaceAnswer::Yes;
        const auto bits = static_cast<unsigned char>(in.Answers[(k / 8) % in.Answers.size()]);
        return (bits >> (k % 8)) & 1 ? TReplaceAnswer::Yes : TReplaceAnswer::No;
    };

    TReplaceData options;
    options.ReplaceString = in.Replacement;
    options.Overwrite = in.Overwrite ? 1 : 0;
    options.MakeBackup = in.MakeBackup;
    options.Confirmation = asks ? 1 : 0;
    TProgramData program;
    program.ShortFilenames = false;
    THTMLWin report(nullptr, fuzz::Root("replacefuzz"));
    report.TempFolder = work + "/report";
    report.Options.FancyOutput = false;
    TReplaceEngine engine(options, program, report);
    TReplaceNotifications notify;
    // The lines of a question are only kept and compared while they are short, so that a long
    // line with many matches does not cost its length for every question.
    constexpr std::size_t KeptQuestionBytes = 1 << 12;
    notify.Confirm = [&](const TReplaceQuestion& q) {
        fuzz::Require(q.FullPath == original, "the question names the file");
        const bool keep = q.CurrentLine.size() + q.NewLine.size() <= KeptQuestionBytes;
        asked.push_back({q.LineNumber, keep, keep ? std::string(q.CurrentLine) : std::string(),
                         keep ? std::string(q.NewLine) : std::string()});
        given.push_back(answerFor(given.size()));
        return given.back();
    };
    engine.SetNotifications(notify);
    report.BeginDocument();
    engine.ReplaceFiles(results);
    report.FinishDocument();
    const std::string document = ReadWhole(report.DocumentFileName());

    const std::vector<std::string> names = NamesIn(files);
    if (!text) {
        fuzz::Require(ReadWhole(original) == in.Content, "a refused file is left as it was");
        fuzz::Require(names == std::vector<std::string>{"f.txt"}, "nothing is made beside a refused file");
        fuzz::Require(Reported(document, TReplaceEngine::BinaryRefusal), "a binary file is refused");
        return;
    }

    // Every match is asked about, in order, until an answer cancels.
    const bool cancelled = !given.empty() && (given.back() == TReplaceAnswer::CancelFile ||
                                              given.back() == TReplaceAnswer::CancelAll);
    if (asks)
        fuzz::Require(cancelled ? given.size() <= matches.size() : given.size() == matches.size(),
                "every match is asked about once");
    else
        fuzz::Require(given.empty(), "nobody is asked without confirmation");
    if (cancelled) {
        fuzz::Require(ReadWhole(original) == in.Content, "a cancelled file is left as it was");
        fuzz::Require(names == std::vector<std::string>{"f.txt"}, "nothing is made beside a cancelled file");
        fuzz::Require(Reported(document, in.Overwrite ? TReplaceEngine::CancelledOverwrite : TReplaceEngine::CancelledCopy),
                "the cancel is reported");
        return;
    }

    // The reference: the original's lines with the accepted spans replaced.
    auto accepted = [&](std::size_t k) { return !asks || given[k] == TReplaceAnswer::Yes; };
    std::string expected;
    expected.reserve(in.Content.size());
    std::size_t changes = 0;
    std::size_t first = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const auto lineNumber = static_cast<int32_t>(n + 1);
        std::size_t last = first;
        while (last < matches.size() && matches[last].LineNumber == lineNumber)
            ++last;
        const TMatch* on = matches.data() + first;
        const std::size_t count = last - first;
        expected += Rebuilt(lines[n].Text, on, count, in.Replacement, [&](std::size_t i) { return accepted(first + i); });
        expected += lines[n].End;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t k = first + i;
            changes += accepted(k);
            if (!asks)
                continue;
            fuzz::Require(asked[k].LineNumber == lineNumber, "the question names the match's line");
            if (!asked[k].Kept)
                continue;
            // The question shows the line with the earlier accepted changes, then with this one.
            const std::string current =
                Rebuilt(lines[n].Text, on, count, in.Replacement, [&](std::size_t j) { return j < i && accepted(first + j); });
            const std::string made = Rebuilt(lines[n].Text, on, count, in.Replacement,
                                             [&](std::size_t j) { return j == i || (j < i && accepted(first + j)); });
            fuzz::Require(asked[k].Current == current, "the question shows the line as it stands");
            fuzz::Require(asked[k].New == made, "the question shows the line with the change made");
        }
        first = last;
    }
    fuzz::Require(first == matches.size(), "every match lies on a line");
    if (policy == Policy::DeclineAll)
        fuzz::Require(expected == in.Content, "declining every change keeps every byte");

    fuzz::Require(Reported(document, std::to_string(changes) + std::string(TReplaceEngine::ChangesMade)),
            "the report counts the changes made");
    if (!in.Overwrite) {
        fuzz::Require(ReadWhole(original) == in.Content, "copy mode leaves the original untouched");
        fuzz::Require(ReadWhole(original + ".new") == expected, "the new file is the original with the changes");
        fuzz::Require(names == (std::vector<std::string>{"f.txt", "f.txt.new"}), "copy mode makes the new file only");
    } else {
        fuzz::Require(ReadWhole(original) == expected, "the overwritten file is the original with the changes");
        if (in.MakeBackup) {
            fuzz::Require(ReadWhole(original + ".bak") == in.Content, "the backup is the original");
            fuzz::Require(names == (std::vector<std::string>{"f.txt", "f.txt.bak"}), "overwrite mode makes the backup only");
        } else {
            fuzz::Require(names == std::vector<std::string>{"f.txt"}, "overwrite mode without a backup makes nothing");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in;
    if (!Parse(data, size, in))
        return 0;
    CheckRun(in, Policy::FromInput);
    CheckRun(in, Policy::DeclineAll);
    std::error_code error;
    fs::remove_all(fuzz::Root("replacefuzz") + "/work", error);
    return 0;
}
