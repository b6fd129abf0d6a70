// SPDX-License-Identifier: MIT
#include "model/TIniText.h"

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

char FoldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// One line of the content and what it means.
struct Line {
    enum class Kind { Other, Section, Key };

    Kind Type = Kind::Other;
    std::size_t End = 0;  // the LF ending the line, or the end of the content
    std::size_t Next = 0; // where the next line starts
    std::string_view Name;
    std::size_t ValueBegin = 0; // key lines: just after the "="
    std::string_view RawValue;
};

Line ScanLine(std::string_view content, std::size_t begin)
{
    Line line;
    line.End = content.find('\n', begin);
    if (line.End == std::string_view::npos) {
        line.End = content.size();
        line.Next = content.size();
    } else {
        line.Next = line.End + 1;
    }

    std::size_t start = begin;
    if (begin == 0 && content.substr(0, Utf8ByteOrderMark.size()) == Utf8ByteOrderMark)
        start += Utf8ByteOrderMark.size();
    while (start < line.End && IsBlank(content[start]))
        ++start;
    const std::string_view text = content.substr(start, line.End - start);
    if (text.empty())
        return line;

    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.Type = Line::Kind::Section;
            line.Name = TIniText::Trim(text.substr(1, close - 1));
            return line;
        }
    }
    const std::size_t equals = text.find('=');
    if (equals != std::string_view::npos) {
        line.Type = Line::Kind::Key;
        line.Name = TIniText::Trim(text.substr(0, equals));
        line.ValueBegin = start + equals + 1;
        line.RawValue = text.substr(equals + 1);
    }
    return line;
}

// The line end that new lines get: the one of the file's first complete line.
std::string_view LineEndOf(std::string_view content)
{
    const std::size_t lf = content.find('\n');
    if (lf != std::string_view::npos && lf > 0 && content[lf - 1] == '\r')
        return "\r\n";
    return "\n";
}

// True when the text ends with a line holding nothing but blanks (or is empty).
bool EndsWithBlankLine(std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    const std::size_t lf = text.rfind('\n');
    const std::string_view last = lf == std::string_view::npos ? text : text.substr(lf + 1);
    return TIniText::Trim(last).empty();
}

} // namespace

std::string_view TIniText::Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view TIniText::Unquote(std::string_view raw)
{
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

bool TIniText::IsWritableSection(std::string_view section)
{
    return !Trim(section).empty() && !HasLineBreak(section);
}

bool TIniText::IsWritableKey(std::string_view key)
{
    const std::string_view name = Trim(key);
    return !name.empty() && !HasLineBreak(key) && name.find('=') == std::string_view::npos && name.front() != '[';
}

std::string_view TIniText::WritableValue(std::string_view value)
{
    const std::size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
    return stop == std::string_view::npos ? value : value.substr(0, stop);
}

std::optional<std::string> TIniText::Read(std::string_view content, std::string_view section, std::string_view key)
{
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = ScanLine(content, pos);
        pos = line.Next;
        if (line.Type == Line::Kind::Section) {
            if (inSection)
                return std::nullopt; // only the first section of the name counts
            inSection = EqualIgnoringCase(line.Name, section);
        } else if (inSection && line.Type == Line::Kind::Key && EqualIgnoringCase(line.Name, key)) {
            return std::string(Unquote(line.RawValue));
        }
    }
    return std::nullopt;
}

namespace {

std::string Folded(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = FoldCase(c);
    return folded;
}

} // namespace

TIniText::TIndex::TIndex(std::string_view content)
{
    // As in Read: a section's keys are those up to the next header, only the first section of a
    // name counts, and in it only the first key of a name.
    TKeys* current = nullptr;
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = ScanLine(content, pos);
        pos = line.Next;
        if (line.Type == Line::Kind::Section) {
            const auto [it, added] = Sections.try_emplace(Folded(line.Name));
            current = added ? &it->second : nullptr;
        } else if (current && line.Type == Line::Kind::Key) {
            current->try_emplace(Folded(line.Name), Unquote(line.RawValue));
        }
    }
}

std::optional<std::string> TIniText::TIndex::Find(std::string_view section, std::string_view key) const
{
    const auto found = Sections.find(Folded(Trim(section)));
    if (found == Sections.end())
        return std::nullopt;
    const auto value = found->second.find(Folded(Trim(key)));
    if (value == found->second.end())
        return std::nullopt;
    return value->second;
}

std::string TIniText::Write(std::string_view content, std::string_view section, std::string_view key,
                            std::string_view value)
{
    if (!IsWritableSection(section) || !IsWritableKey(key))
        return std::string(content);
    section = Trim(section);
    key = Trim(key);
    value = WritableValue(value);
    const std::string_view lineEnd = LineEndOf(content);

    bool inSection = false;
    std::size_t insertAt = std::string_view::npos; // after the header, then after each key line
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = ScanLine(content, pos);
        pos = line.Next;
        if (line.Type == Line::Kind::Section) {
            if (inSection)
                break;
            if (insertAt == std::string_view::npos && EqualIgnoringCase(line.Name, section)) {
                inSection = true;
                insertAt = line.Next;
            }
        } else if (inSection && line.Type == Line::Kind::Key) {
            if (EqualIgnoringCase(line.Name, key)) {
                // Replace the value only; the key as written and the line's own end stay.
                std::size_t valueEnd = line.End;
                if (valueEnd > line.ValueBegin && content[valueEnd - 1] == '\r')
                    --valueEnd;
                std::string result;
                result.reserve(content.size() + value.size());
                result.append(content.substr(0, line.ValueBegin));
                result.append(value);
                result.append(content.substr(valueEnd));
                return result;
            }
            insertAt = line.Next;
        }
    }

    std::string result;
    if (insertAt != std::string_view::npos) {
        result.reserve(content.size() + key.size() + value.size() + 4);
        result.append(content.substr(0, insertAt));
        if (!result.empty() && result.back() != '\n')
            result.append(lineEnd); // the line before had no line end of its own
        result.append(key).append("=").append(value).append(lineEnd);
        result.append(content.substr(insertAt));
        return result;
    }

    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    result.append(content);
    if (!result.empty() && result.back() != '\n')
        result.append(lineEnd);
    if (!EndsWithBlankLine(result))
        result.append(lineEnd); // a blank line between sections
    result.append("[").append(section).append("]").append(lineEnd);
    result.append(key).append("=").append(value).append(lineEnd);
    return result;
}
