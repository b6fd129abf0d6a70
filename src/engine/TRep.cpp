// SPDX-License-Identifier: MIT
#include "engine/TRep.h"

#include <re2/re2.h>

#include <memory>

#include "engine/TRegexParser.h"

namespace {

const char* const ErrorTexts[] = {
    "No error",
    "No match found for regular expression",
    "Invalid parameter passed to function",
    "Regular expression too complex",
    "Out of memory",
    "Too many sub-expressions",
    "Unmatched (",
    "Invalid use of a repeat",
    "Nested repeats not allowed",
    "Invalid range specifier",
    "Unmatched [",
    "Invalid trailing character",
    "Internal REGEXP32.DLL error",
};

// Memory for one compiled program and its matching caches. A pattern whose program does not
// fit is refused as too complex.
constexpr int64_t MaxProgramMemory = 32 << 20;

std::string FoldPattern(std::string_view pattern)
{
    std::string folded(pattern);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return folded;
}

std::unique_ptr<RE2> Compile(const std::string& re2Pattern, int32_t& errorCode)
{
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_log_errors(false);
    options.set_max_mem(MaxProgramMemory);
    auto program = std::make_unique<RE2>(re2Pattern, options);
    switch (program->error_code()) {
    case RE2::NoError:
        errorCode = 0;
        return program;
    case RE2::ErrorPatternTooLarge:
        errorCode = 3;
        break;
    default:
        // The parser admitted a pattern that the engine did not take: a fault of ours.
        errorCode = 12;
        break;
    }
    return nullptr;
}

} // namespace

struct TRegProgram {
    // The parser reads the folded copy only while it is being constructed.
    TRegProgram(std::string_view pattern, bool foldCase)
        : Parsed(foldCase ? TRegexParser(FoldPattern(pattern)) : TRegexParser(pattern)), FoldCase(foldCase)
    {
    }

    TRegexParser Parsed;
    bool FoldCase;
    std::unique_ptr<RE2> Line;
    std::unique_ptr<RE2> Lines;
    std::unique_ptr<RE2> LineHits;
};

TRegProgram* RegComp(std::string_view pattern, int32_t& errorCode, bool foldCase)
{
    auto* program = new TRegProgram(pattern, foldCase);
    errorCode = program->Parsed.ErrorCode();
    if (errorCode == 0)
        program->Line = Compile(program->Parsed.ToRE2(foldCase, TRegexParser::Target::Line), errorCode);
    return program;
}

int RegExec(const TRegProgram* program, std::string_view text, TRegMatch& match)
{
    if (!program || !program->Line)
        return 2;
    re2::StringPiece hit;
    if (!program->Line->Match(re2::StringPiece(text.data(), text.size()), 0, text.size(), RE2::UNANCHORED, &hit, 1))
        return 1;
    match.StartOffset = static_cast<int32_t>(hit.data() - text.data());
    match.EndOffset = static_cast<int32_t>(match.StartOffset + hit.size());
    return 0;
}

void RegFree(TRegProgram* program)
{
    delete program;
}

TRep::TRep(std::string_view pattern, bool foldCase)
{
    Code = 0;
    Handle = RegComp(pattern, Code, foldCase);
    Compiled = Code == 0;
}

TRep::~TRep()
{
    RegFree(Handle);
}

std::string TRep::ErrorText(int32_t code)
{
    if (code < 0 || code > LastErrorCode)
        return {};
    return ErrorTexts[code];
}

bool TRep::Execute(std::string_view text, TRegMatch& match) const
{
    return RegExec(Handle, text, match) == 0;
}

bool TRep::Find(std::string_view text, std::size_t& start, std::size_t& end) const
{
    if (!Compiled)
        return false;
    re2::StringPiece hit;
    if (!Handle->Line->Match(re2::StringPiece(text.data(), text.size()), 0, text.size(), RE2::UNANCHORED, &hit, 1))
        return false;
    start = static_cast<std::size_t>(hit.data() - text.data());
    end = start + hit.size();
    return true;
}

std::string TRep::RequiredLiteral() const
{
    return Compiled ? Handle->Parsed.RequiredLiteral() : std::string();
}

bool TRep::PrepareLineSearch(bool anchorsAtLineEnds)
{
    if (!Compiled)
        return false;
    const auto target = anchorsAtLineEnds ? TRegexParser::Target::Lines : TRegexParser::Target::LinesAnywhere;
    int32_t code = 0;
    Handle->Lines = Compile(Handle->Parsed.ToRE2(Handle->FoldCase, target), code);
    return Handle->Lines != nullptr;
}

bool TRep::FindInLines(std::string_view lines, std::size_t& position) const
{
    if (!Compiled || !Handle->Lines)
        return false;
    re2::StringPiece hit;
    if (!Handle->Lines->Match(re2::StringPiece(lines.data(), lines.size()), 0, lines.size(), RE2::UNANCHORED, &hit, 1))
        return false;
    position = static_cast<std::size_t>(hit.data() - lines.data());
    return true;
}

bool TRep::PrepareLineHits()
{
    if (!Compiled)
        return false;
    int32_t code = 0;
    Handle->LineHits = Compile(Handle->Parsed.ToRE2(Handle->FoldCase, TRegexParser::Target::LineHits), code);
    return Handle->LineHits != nullptr;
}

std::vector<std::string> TRep::RequiredLiterals(std::size_t minLength, std::size_t maxCount) const
{
    return Compiled ? Handle->Parsed.RequiredLiterals(minLength, maxCount) : std::vector<std::string>();
}

bool TRep::FindHitInLines(std::string_view lines, std::size_t from, std::size_t limit, std::size_t& start,
                          std::size_t& end) const
{
    if (!Compiled || !Handle->LineHits || limit > lines.size() || from > limit)
        return false;
    re2::StringPiece hit;
    if (!Handle->LineHits->Match(re2::StringPiece(lines.data(), lines.size()), from, limit, RE2::UNANCHORED, &hit, 1))
        return false;
    start = static_cast<std::size_t>(hit.data() - lines.data());
    end = start + hit.size();
    return true;
}

bool TRep::HasStartAnchor() const
{
    return Compiled && Handle->Parsed.HasStartAnchor();
}

std::vector<std::string> TRep::LiteralAlternatives() const
{
    return Compiled ? Handle->Parsed.LiteralAlternatives() : std::vector<std::string>();
}
