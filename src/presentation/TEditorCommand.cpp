// SPDX-License-Identifier: MIT
#include "presentation/TEditorCommand.h"

#include <optional>
#include <utility>

#include "model/TFileData.h"
#include "model/TTextDecoder.h"

namespace {

constexpr std::string_view ExtractionFolder = "~quarnel.t";

char LowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool EqualsFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// What the placeholder letter after a '$' stands for, or nothing for a letter that is none.
std::optional<std::string> Value(char letter, const TEditorTarget& target)
{
    switch (LowerAscii(letter)) {
    case 'f':
    case 'e': return target.Path;
    case 'l': return std::to_string(target.Line);
    case 'c': return std::to_string(target.Column);
    case 'g': return target.SearchText;
    case '$': return std::string("$");
    default: return std::nullopt;
    }
}

// The number of bytes of the character at `at`: a whole UTF-8 sequence, else one byte.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    const std::size_t length = TTextDecoder::Utf8SequenceLength(text, at);
    return length > 0 ? length : 1;
}

// Walks a command left to right, giving each placeholder's value and each other character to
// `visitor`: visitor.Placeholder(letter, value) and visitor.Character(ch, command, index), which
// returns how many further characters it used.
template <typename Visitor>
void Walk(std::string_view command, const TEditorTarget& target, Visitor& visitor)
{
    for (std::size_t i = 0; i < command.size();) {
        if (command[i] != '$') {
            i += 1 + visitor.Character(command, i);
            continue;
        }
        if (i + 1 == command.size())
            break;  // a '$' at the very end is dropped
        const char letter = command[i + 1];
        if (const std::optional<std::string> value = Value(letter, target)) {
            visitor.Placeholder(letter, *value);
            i += 2;
        } else {
            i += 1 + CharacterLength(command, i + 1);  // '$' and the character after it are dropped
        }
    }
}

struct TTextVisitor {
    std::string Out;

    void Placeholder(char letter, const std::string& value)
    {
        if (LowerAscii(letter) == 'f')
            Out.append("\"").append(value).append("\"");
        else
            Out += value;
    }
    std::size_t Character(std::string_view command, std::size_t i)
    {
        Out += command[i];
        return 0;
    }
};

struct TWordVisitor {
    std::vector<std::string> Words;
    std::string Word;
    bool InWord = false;
    char Quote = 0;

    void Placeholder(char letter, const std::string& value)
    {
        Word += value;
        // $f stands for a quoted path: it makes a word even when the path is empty.
        if (!value.empty() || LowerAscii(letter) == 'f')
            InWord = true;
    }

    std::size_t Character(std::string_view command, std::size_t i)
    {
        const char ch = command[i];
        const char next = i + 1 < command.size() ? command[i + 1] : '\0';
        if (Quote == '\'') {
            if (ch == '\'')
                Quote = 0;
            else
                Word += ch;
            return 0;
        }
        if (Quote == '"') {
            if (ch == '"') {
                Quote = 0;
            } else if (ch == '\\' && (next == '"' || next == '\\')) {
                Word += next;
                return 1;
            } else {
                Word += ch;
            }
            return 0;
        }
        switch (ch) {
        case '"':
        case '\'':
            Quote = ch;
            InWord = true;
            return 0;
        case ' ':
        case '\t':
            EndWord();
            return 0;
        case '\\':
            if (next == '"' || next == '\'' || next == '\\' || next == ' ' || next == '\t') {
                Word += next;
                InWord = true;
                return 1;
            }
            break;
        default:
            break;
        }
        Word += ch;
        InWord = true;
        return 0;
    }

    void EndWord()
    {
        if (InWord)
            Words.push_back(std::move(Word));
        Word.clear();
        InWord = false;
    }
};

}

TEditorTarget TEditorCommand::Target(std::string path, int64_t line, int64_t column, const TFileData* selected,
                                     std::string searchText)
{
    TEditorTarget target;
    target.Path = std::move(path);
    target.SearchText = std::move(searchText);
    if (line > 0) {
        target.Line = line;
        target.Column = column > 0 ? column : 1;
    } else if (selected && !selected->Matches.empty()) {
        target.Line = selected->Matches.front().LineNumber;
        target.Column = selected->Matches.front().StartPos;
    }
    return target;
}

std::string TEditorCommand::Expand(std::string_view command, const TEditorTarget& target)
{
    TTextVisitor text;
    Walk(command, target, text);
    return std::move(text.Out);
}

TCommandLine TEditorCommand::Build(std::string_view command, const TEditorTarget& target)
{
    TWordVisitor words;
    Walk(command, target, words);
    words.EndWord();

    TCommandLine line;
    line.Text = Expand(command, target);
    if (!words.Words.empty()) {
        line.Program = std::move(words.Words.front());
        line.Arguments.assign(std::make_move_iterator(words.Words.begin() + 1),
                              std::make_move_iterator(words.Words.end()));
    }
    return line;
}

bool TEditorCommand::IsExtractedMember(std::string_view path)
{
    // Every folder of the path, not the file's own name.
    std::size_t from = 0;
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', from)) {
        if (EqualsFolded(path.substr(from, slash - from), ExtractionFolder))
            return true;
        from = slash + 1;
    }
    return false;
}
