// SPDX-License-Identifier: MIT
#include "model/TSettingsText.h"

#include <cstdint>
#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && TSettingsTree::Fold(text.substr(0, prefix.size())) == prefix;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to 8 hexadecimal digits and nothing else.
bool ParseHex32(std::string_view digits, uint32_t& number)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    number = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        number = number * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

// A quoted text starting at text[0] == '"': "\\" and "\"" stand for "\" and '"'; a backslash
// before any other character is kept as it is. Returns the position after the closing quote, or
// npos when the quote is not closed.
std::size_t ReadQuoted(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
            continue;
        }
        if (c == '"')
            return i + 1;
        out += c;
    }
    return std::string_view::npos;
}

// A comma-separated list of bytes of one or two hexadecimal digits each; blanks around the
// items are allowed, an empty list is no bytes, an empty item is an error.
bool ParseByteList(std::string_view list, std::string& bytes)
{
    bytes.clear();
    list = Trim(list);
    if (list.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = Trim(list.substr(start, comma == std::string_view::npos ? list.size() - start : comma - start));
        uint32_t byte = 0;
        if (item.size() > 2 || !ParseHex32(item, byte))
            return false;
        bytes += static_cast<char>(byte);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

// The data of a hex value after "hex": "(n):" or ":" and the byte list.
bool ParseHexValue(std::string_view data, TSettingsValue& value)
{
    uint32_t type = 3; // plain "hex:" is binary data
    if (!data.empty() && data.front() == '(') {
        const std::size_t close = data.find(')');
        if (close == std::string_view::npos || !ParseHex32(data.substr(1, close - 1), type))
            return false;
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':')
        return false;
    std::string bytes;
    if (!ParseByteList(data.substr(1), bytes))
        return false;
    if (type == 1) {
        value = TSettingsValue::String(bytes);
    } else if (type == 4 && bytes.size() == 4) {
        const auto b = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])); };
        value = TSettingsValue::Integer(b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24);
    } else {
        value = TSettingsValue::Other(type, std::move(bytes));
    }
    return true;
}

class TLineReader {
public:
    explicit TLineReader(std::string_view content) : Content(content) {}

    // The next line without its LF or CR LF; false at the end.
    bool Next(std::string_view& line)
    {
        if (Position >= Content.size())
            return false;
        std::size_t end = Content.find('\n', Position);
        if (end == std::string_view::npos)
            end = Content.size();
        line = Content.substr(Position, end - Position);
        Position = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    }

private:
    std::string_view Content;
    std::size_t Position = 0;
};

// A value line (starting with '"' or '@'); continuation lines of a byte list are taken from
// `lines`. False when the line does not hold a readable value.
bool ParseValueLine(std::string_view line, TLineReader& lines, std::string& name, TSettingsValue& value)
{
    std::size_t after = 1;
    if (line.front() == '@')
        name.clear();
    else if ((after = ReadQuoted(line, name)) == std::string_view::npos)
        return false;
    std::string_view rest = TrimLeft(line.substr(after));
    if (rest.empty() || rest.front() != '=')
        return false;
    const std::string_view data = TrimLeft(rest.substr(1));

    if (!data.empty() && data.front() == '"') {
        std::string text;
        const std::size_t end = ReadQuoted(data, text);
        if (end == std::string_view::npos || !Trim(data.substr(end)).empty())
            return false;
        value = TSettingsValue::String(text);
        return true;
    }
    if (StartsWithNoCase(data, "dword:")) {
        uint32_t number = 0;
        if (!ParseHex32(TrimRight(data.substr(6)), number))
            return false;
        value = TSettingsValue::Integer(number);
        return true;
    }
    if (StartsWithNoCase(data, "hex")) {
        std::string joined(TrimRight(data.substr(3)));
        std::string_view next;
        while (!joined.empty() && joined.back() == '\\' && lines.Next(next)) {
            joined.pop_back();
            joined += Trim(next);
        }
        return ParseHexValue(joined, value);
    }
    return false; // a deletion ("-") or anything else
}

void AppendHex(std::string& out, std::string_view head, uint32_t type, std::string_view bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    out += head;
    if (type == 3) {
        out += "hex:";
    } else {
        char tag[16];
        std::snprintf(tag, sizeof tag, "hex(%x):", static_cast<unsigned>(type));
        out += tag;
    }
    // Lines of at most about 80 characters, continued after ",\" like the registry editor's.
    std::size_t column = head.size() + 8;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            if (column + 3 > 77) {
                out += ",\\\n  ";
                column = 2;
            } else {
                out += ',';
                ++column;
            }
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += Digits[b >> 4];
        out += Digits[b & 15];
        column += 2;
    }
}

} // namespace

std::string TSettingsText::Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

TSettingsTree TSettingsText::Parse(std::string_view content)
{
    bool pastLimits = false;
    return Parse(content, pastLimits);
}

TSettingsTree TSettingsText::Parse(std::string_view content, bool& pastLimits)
{
    pastLimits = false;
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    TSettingsTree tree;
    TSettingsTree::TKey* current = nullptr;
    TLineReader lines(content);
    std::string_view line;
    std::string name;
    while (lines.Next(line)) {
        line = TrimLeft(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            // The key path lies between "[" and the "]" that ends the line. Whatever this line
            // is, values after it never go to the key before it.
            current = nullptr;
            const std::string_view key = TrimRight(line);
            if (key.size() < 2 || key.back() != ']')
                continue;
            const std::string_view inner = key.substr(1, key.size() - 2);
            const std::size_t slash = inner.find('\\');
            if (TSettingsTree::Fold(inner.substr(0, slash)) != TSettingsTree::Fold(Hive) || slash == std::string_view::npos)
                continue;
            const std::string_view path = inner.substr(slash + 1);
            current = tree.CreateKey(path);
            if (!current && !TSettingsTree::IsWithinLimits(path))
                pastLimits = true;
            continue;
        }
        if (line.front() == '"' || line.front() == '@') {
            TSettingsValue value;
            if (ParseValueLine(line, lines, name, value) && current)
                current->Set(name, std::move(value));
        }
    }
    return tree;
}

std::string TSettingsText::Format(const TSettingsTree& tree)
{
    std::string out(Header);
    out += "\n\n";
    for (const auto& [folded, key] : tree.Keys()) {
        out += '[';
        out += Hive;
        out += '\\';
        out += key.Path();
        out += "]\n";
        for (const TSettingsTree::TNamedValue& entry : key.Values()) {
            const std::string head = (entry.Name.empty() ? std::string("@") : Quote(entry.Name)) + "=";
            const TSettingsValue& value = entry.Value;
            switch (value.Kind) {
            case TSettingsValue::TKind::Integer: {
                char number[24];
                std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(value.Number));
                out += head;
                out += number;
                break;
            }
            case TSettingsValue::TKind::String:
                if (value.Data.find_first_of("\r\n") == std::string::npos) {
                    out += head;
                    out += Quote(value.Data);
                } else {
                    AppendHex(out, head, 1, value.Data + '\0');
                }
                break;
            case TSettingsValue::TKind::Other:
                AppendHex(out, head, value.RawType, value.Data);
                break;
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}
