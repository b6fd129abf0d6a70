// SPDX-License-Identifier: MIT
// Random patterns against random lines, through every layer of the matching code:
//  - the regular-expression service: a hit lies inside the text and is the hit an independent
//    backtracking matcher of the dialect finds; both agree on which patterns are valid;
//  - patterns of literal alternatives: the literal finders give the same hit as the engine,
//    and every hit holds the required literals;
//  - the whole-buffer look-ahead: wherever a line has a hit, the buffer program finds a place
//    on that line (in both line-end forms);
//  - the literal finder agrees with a plain search;
//  - the line scanner, with criteria taken from the input, records only ordered,
//    non-overlapping hits inside the line, and scanning the input as a whole file (in /dev/shm)
//    records exactly what scanning its lines one by one records;
//  - Soundex finds the first word with the search string's code, in a line and over lines.
// A hang is caught by libFuzzer's time-out.
//
// Input: a flags byte, a byte for the field settings, the pattern's length, the pattern, then
// the line (or the file's content).
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TLineScanner.h"
#include "engine/TLiteralFinder.h"
#include "engine/TRegexParser.h"
#include "engine/TRep.h"
#include "engine/TSearchNotifications.h"
#include "engine/TSoundex.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "model/TSearchData.h"
#include "model/TShellInfo.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

unsigned char Fold(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

std::size_t PlainFind(std::string_view text, std::string_view needle, bool fold, std::size_t from)
{
    if (needle.empty() || text.size() < needle.size())
        return std::string_view::npos;
    for (std::size_t p = from; p + needle.size() <= text.size(); ++p) {
        bool equal = true;
        for (std::size_t i = 0; i < needle.size() && equal; ++i) {
            const auto a = static_cast<unsigned char>(text[p + i]);
            const auto b = static_cast<unsigned char>(needle[i]);
            equal = fold ? Fold(a) == Fold(b) : a == b;
        }
        if (equal)
            return p;
    }
    return std::string_view::npos;
}

// An independent backtracking matcher of the dialect: the oracle for the hits. Patterns are
// parsed by the dialect's rules; matching gives up (and the comparison is skipped) after a
// budget of steps, since backtracking can take exponential time.
class Reference {
public:
    Reference(std::string_view pattern, bool fold) : FoldCase(fold)
    {
        for (char c : pattern)
            Pattern += fold ? static_cast<char>(Fold(c)) : c;
        Root = ParseAlternation();
        Valid = Valid && Pos == Pattern.size();
    }

    bool Valid = true;

    // -1 when no hit; -2 when the budget ran out; else the hit's start, with its end in `end`.
    long Find(std::string_view text, long& end)
    {
        Text = text;
        Steps = 0;
        for (std::size_t start = 0; start <= text.size(); ++start) {
            bool matched = false;
            Match(Root, start, [&](std::size_t at) {
                end = static_cast<long>(at);
                return matched = true;
            });
            if (Steps > Budget)
                return -2;
            if (matched)
                return static_cast<long>(start);
        }
        return -1;
    }

private:
    enum Kind { Set, Bol, Eol, Cat, Alt, Star, Plus, Quest };
    struct Node {
        Kind What;
        std::bitset<256> Members;
        std::vector<int> Kids;
        bool Nullable = false;
    };
    using Next = std::function<bool(std::size_t)>;

    static unsigned char Fold(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 32) : b;
    }
    int Add(Node node)
    {
        Nodes.push_back(std::move(node));
        return static_cast<int>(Nodes.size()) - 1;
    }
    bool More() const { return Pos < Pattern.size(); }

    int ParseAlternation()
    {
        Node alt{Alt, {}, {}, false};
        for (;;) {
            alt.Kids.push_back(ParseBranch());
            alt.Nullable = alt.Nullable || Nodes[alt.Kids.back()].Nullable;
            if (!More() || Pattern[Pos] != '|')
                break;
            ++Pos;
        }
        return Add(alt);
    }
    int ParseBranch()
    {
        Node cat{Cat, {}, {}, true};
        while (Valid && More() && Pattern[Pos] != '|' && Pattern[Pos] != ')') {
            const char c = Pattern[Pos];
            if (c == '*' || c == '+' || c == '?') {
                Valid = false;
                break;
            }
            int atom = ParseAtom();
            if (Valid && More() && std::strchr("*+?", Pattern[Pos]) && Pattern[Pos] != 0) {
                const char op = Pattern[Pos++];
                if (Nodes[atom].Nullable || (More() && Pattern[Pos] != 0 && std::strchr("*+?", Pattern[Pos])))
                    Valid = false;
                atom = Add({op == '*' ? Star : op == '+' ? Plus : Quest, {}, {atom}, op != '+'});
            }
            cat.Nullable = cat.Nullable && Nodes[atom].Nullable;
            cat.Kids.push_back(atom);
        }
        return Add(cat);
    }
    int ParseAtom()
    {
        const char c = Pattern[Pos++];
        if (c == '(') {
            if (++Groups > TRegexParser::MaxGroups)
                Valid = false;
            const int inner = Valid ? ParseAlternation() : Add({Cat, {}, {}, true});
            if (!More())
                Valid = false;
            else
                ++Pos;
            return inner;
        }
        if (c == '^' || c == '$')
            return Add({c == '^' ? Bol : Eol, {}, {}, true});
        Node set{Set, {}, {}, false};
        if (c == '.') {
            set.Members.set();
        } else if (c == '[') {
            const bool negate = More() && Pattern[Pos] == '^';
            Pos += negate;
            bool first = true;
            auto member = [&](unsigned char& out) {
                if (!More())
                    return Valid = false;
                char m = Pattern[Pos++];
                if (m == '\\') {
                    if (!More())
                        return Valid = false;
                    m = Pattern[Pos++];
                }
                out = static_cast<unsigned char>(m);
                return true;
            };
            for (;;) {
                if (!More()) {
                    Valid = false;
                    break;
                }
                if (Pattern[Pos] == ']' && !first) {
                    ++Pos;
                    break;
                }
                first = false;
                unsigned char low, high;
                if (!member(low))
                    break;
                high = low;
                if (Pos + 1 < Pattern.size() && Pattern[Pos] == '-' && Pattern[Pos + 1] != ']') {
                    ++Pos;
                    if (!member(high))
                        break;
                    if (high < low) {
                        Valid = false;
                        break;
                    }
                }
                for (int b = low; b <= high; ++b)
                    set.Members.set(static_cast<std::size_t>(b));
            }
            if (negate)
                set.Members.flip();
        } else if (c == '\\') {
            if (!More())
                Valid = false;
            else
                set.Members.set(static_cast<unsigned char>(Pattern[Pos++]));
        } else {
            set.Members.set(static_cast<unsigned char>(c));
        }
        return Add(set);
    }

    bool Match(int index, std::size_t at, const Next& next)
    {
        if (++Steps > Budget)
            return false;
        const Node& node = Nodes[static_cast<std::size_t>(index)];
        switch (node.What) {
        case Set:
            return at < Text.size() &&
                   node.Members[FoldCase ? Fold(Text[at]) : static_cast<unsigned char>(Text[at])] &&
                   next(at + 1);
        case Bol:
            return at == 0 && next(at);
        case Eol:
            return at == Text.size() && next(at);
        case Cat:
            return MatchFrom(node, 0, at, next);
        case Alt:
            for (int kid : node.Kids)
                if (Match(kid, at, next))
                    return true;
            return false;
        case Star:
            return Match(node.Kids[0], at, [&](std::size_t after) { return Match(index, after, next); }) || next(at);
        case Plus:
            return Match(node.Kids[0], at, [&](std::size_t after) {
                return Match(index, after, next) || next(after);
            });
        case Quest:
            return Match(node.Kids[0], at, next) || next(at);
        }
        return false;
    }
    bool MatchFrom(const Node& cat, std::size_t i, std::size_t at, const Next& next)
    {
        if (i == cat.Kids.size())
            return next(at);
        return Match(cat.Kids[i], at, [&](std::size_t after) { return MatchFrom(cat, i + 1, after, next); });
    }

    static constexpr long Budget = 20000;
    bool FoldCase;
    std::string Pattern;
    std::size_t Pos = 0;
    int Groups = 0;
    int Root = -1;
    std::vector<Node> Nodes;
    std::string_view Text;
    long Steps = 0;
};

void CheckRegex(std::string_view pattern, std::string_view line, bool fold, bool crlf)
{
    TRep rep(pattern, fold);
    Require((rep.ErrorCode() == 0) == rep.IsValid());
    Require(rep.ErrorCode() >= 0 && rep.ErrorCode() <= TRep::LastErrorCode);
    Require(!rep.ErrorText().empty());
    TRegMatch match;
    const bool found = rep.Execute(line, match);
    Require(found == (rep.IsValid() && [&] {
        std::size_t s, e;
        return rep.Find(line, s, e);
    }()));

    // The hit is the one a backtracking matcher of the dialect finds.
    if (pattern.size() <= 64 && line.size() <= 64 && rep.ErrorCode() != 3) {
        Reference reference(pattern, fold);
        Require(reference.Valid == rep.IsValid());
        if (reference.Valid) {
            long end = 0;
            const long start = reference.Find(line, end);
            if (start != -2) {
                Require(found == (start >= 0));
                if (found)
                    Require(start == match.StartOffset && end == match.EndOffset);
            }
        }
    }

    // The scanner finds the hits of literal alternatives with the literal finder instead: at
    // the first place where one occurs, the first that occurs there.
    const std::vector<std::string> alternatives = rep.LiteralAlternatives();
    if (!alternatives.empty()) {
        std::size_t at = std::string_view::npos, size = 0;
        for (const std::string& text : alternatives) {
            const std::size_t place = TLiteralFinder(text, fold).Find(line);
            Require(place == PlainFind(line, text, fold, 0));
            if (place < at) {
                at = place;
                size = text.size();
            }
        }
        Require(found == (at != std::string_view::npos));
        if (found)
            Require(at == static_cast<std::size_t>(match.StartOffset) &&
                    size == static_cast<std::size_t>(match.EndOffset - match.StartOffset));
    }
    if (!found)
        return;
    Require(match.StartOffset >= 0 && match.StartOffset <= match.EndOffset);
    Require(static_cast<std::size_t>(match.EndOffset) <= line.size());

    // Every hit holds the required literal, and one of the required alternatives.
    const std::string_view hit = line.substr(static_cast<std::size_t>(match.StartOffset),
                                             static_cast<std::size_t>(match.EndOffset - match.StartOffset));
    const std::string literal = rep.RequiredLiteral();
    if (!literal.empty())
        Require(PlainFind(hit, literal, fold, 0) != std::string_view::npos);
    const std::vector<std::string> required = rep.RequiredLiterals(2, 8);
    if (!required.empty())
        Require(std::any_of(required.begin(), required.end(), [&](const std::string& text) {
            return PlainFind(hit, text, fold, 0) != std::string_view::npos;
        }));

    if (line.find('\n') != std::string_view::npos)
        return; // a line never holds a line feed
    for (bool anchors : {true, false}) {
        TRep buffered(pattern, fold);
        Require(buffered.PrepareLineSearch(anchors));
        std::string lines = "other\n";
        const std::size_t lineStart = lines.size();
        lines += line;
        lines += crlf ? "\r\n" : "\n";
        lines += "more\n";
        std::size_t position = 0;
        Require(buffered.FindInLines(std::string_view(lines).substr(lineStart), position));
        Require(position <= line.size() + 1);
        Require(buffered.FindInLines(lines, position));
        Require(position <= lineStart + line.size() + 1);
    }
}

void CheckLiteral(std::string_view needle, std::string_view text, bool fold)
{
    const TLiteralFinder finder(needle, fold);
    std::size_t from = 0;
    for (int i = 0; i < 8; ++i) {
        const std::size_t got = finder.Find(text, from);
        Require(got == PlainFind(text, needle, fold, from));
        if (got == std::string_view::npos)
            break;
        from = got + 1;
    }
}

// The input as a whole file: the scan, with its whole-buffer look-ahead, must record exactly
// what a line-by-line scan of the same lines records.
void CheckScanFile(const TSearchData& criteria, std::string_view content)
{
    static const std::string folder = "/dev/shm";
    static const std::string name = "quarnel-regex-fuzz-" + std::to_string(::getpid()) + ".txt";
    {
        FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
        Require(file != nullptr);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>(folder, name, shell);
    if (record->FileType != TFileData::Text)
        return;
    const TLineScanner scanner(criteria);
    TMatchList expected;
    int32_t lineNumber = 0;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t lf = content.find('\n', start);
        if (lf == std::string_view::npos)
            lf = content.size();
        std::string_view line = content.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r' && lf < content.size())
            line.remove_suffix(1);
        const int count = scanner.ScanLine(line, ++lineNumber, expected);
        if (criteria.StopAfterFirstMatch && count > 0)
            break;
        start = lf + 1;
    }
    TLineScanner fileScanner(criteria);
    TFileList results;
    const std::atomic<bool> stop{false};
    const int count = fileScanner.ScanFile(record, results, TSearchNotifications(), stop);
    Require(count == static_cast<int>(expected.size()));
    if (count > 0)
        Require(results.Item(0).Matches == expected);
}

void CheckScanner(uint8_t flags, uint8_t extra, std::string_view pattern, std::string_view line)
{
    TSearchData criteria;
    criteria.SearchMode = static_cast<uint8_t>(flags % 4);
    criteria.MatchCase = flags & 4;
    criteria.WholeWordsOnly = flags & 8;
    criteria.Invert = flags & 16;
    criteria.StopAfterFirstMatch = (extra & 0x81) == 0x81;
    criteria.TextFileFormat = static_cast<uint8_t>((flags >> 5) % 4);
    criteria.FieldNumber = static_cast<int8_t>(extra & 0x0f) - 2;
    criteria.FieldStart = static_cast<int8_t>(extra >> 4) - 2;
    criteria.FieldWidth = (extra * 7) % 19 - 3;
    const char* const separators[] = {",", "Tab", "Space", ""};
    criteria.SeparatorChar = separators[(extra >> 2) % 4];
    criteria.SearchString = std::string(pattern);

    CheckScanFile(criteria, line);

    const TLineScanner scanner(criteria);
    TMatchList matches;
    const int count = scanner.ScanLine(line, 3, matches);
    Require(count == static_cast<int>(matches.size()));
    int32_t lastEnd = 1;
    for (const TMatch& m : matches) {
        Require(m.LineNumber == 3);
        Require(m.LineLength == static_cast<int32_t>(line.size()));
        Require(m.StartPos >= 1 && m.StartPos <= m.EndPos);
        Require(m.EndPos <= m.LineLength + 1);
        Require(m.MatchLength == m.EndPos - m.StartPos);
        Require(m.StartPos >= lastEnd);
        lastEnd = m.EndPos;
    }
    if (criteria.Invert)
        Require(count <= 1);
}

// The first word with the code, found the plain way: NextWord after NextWord.
bool ReferenceSoundexFind(const TSoundexCode& code, std::string_view text, std::size_t& start, std::size_t& end)
{
    std::size_t from = 0, wordStart, wordLength, next;
    while (TSoundex::NextWord(text, from, wordStart, wordLength, next)) {
        if (TSoundex::SoundexCode(text.substr(wordStart, wordLength)) == code) {
            start = wordStart;
            end = next;
            return true;
        }
        from = next;
    }
    return false;
}

void CheckSoundex(std::string_view search, std::string_view text)
{
    const TSoundexCode code = TSoundex::SoundexCode(search);
    std::size_t start = 0, end = 0, refStart = 0, refEnd = 0;
    const bool found = TSoundex::SoundexFind(search, text, start, end);
    Require(found == ReferenceSoundexFind(code, text, refStart, refEnd));
    if (found) {
        Require(start == refStart && end == refEnd);
        Require(start < end && end <= text.size());
    }

    // Over a buffer of lines: the first hit of the first line that has one.
    bool expected = false;
    for (std::size_t lineStart = 0; lineStart <= text.size();) {
        std::size_t lf = text.find('\n', lineStart);
        if (lf == std::string_view::npos)
            lf = text.size();
        if (ReferenceSoundexFind(code, text.substr(lineStart, lf - lineStart), refStart, refEnd)) {
            refStart += lineStart;
            refEnd += lineStart;
            expected = true;
            break;
        }
        lineStart = lf + 1;
    }
    std::optional<TLiteralFinder> first;
    if (code.First >= 'A' && code.First <= 'Z')
        first.emplace(std::string(1, static_cast<char>(code.First)), true);
    const TLiteralFinder* const finders[] = {nullptr, first ? &*first : nullptr};
    for (const TLiteralFinder* finder : finders) {
        start = end = 0;
        Require(TSoundex::SoundexFindInLines(code, text, start, end, finder) == expected);
        if (expected)
            Require(start == refStart && end == refEnd);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    const uint8_t extra = data[1];
    const std::size_t patternLength = std::min<std::size_t>(data[2], size - 3);
    const std::string_view pattern(reinterpret_cast<const char*>(data + 3), patternLength);
    const std::string_view line(reinterpret_cast<const char*>(data + 3 + patternLength), size - 3 - patternLength);

    CheckRegex(pattern, line, flags & 1, flags & 2);
    CheckLiteral(pattern.substr(0, 1 + extra % 6), line, flags & 4);
    CheckScanner(flags, extra, pattern, line);
    CheckSoundex(pattern, line);
    return 0;
}
