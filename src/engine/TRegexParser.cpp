// SPDX-License-Identifier: MIT
#include "engine/TRegexParser.h"

#include <algorithm>
#include <utility>

namespace {

inline bool IsRepeat(char c)
{
    return c == '*' || c == '+' || c == '?';
}

inline unsigned char FoldByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

void AppendByte(unsigned char c, std::string& out)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        out += static_cast<char>(c);
        return;
    }
    static const char Hex[] = "0123456789abcdef";
    out += "\\x{";
    out += Hex[c >> 4];
    out += Hex[c & 15];
    out += '}';
}

// One atom of the engine's syntax matching exactly the bytes of `set`.
void AppendSet(const std::bitset<256>& set, std::string& out)
{
    const std::size_t count = set.count();
    if (count == 256) {
        out += "(?s:.)";
        return;
    }
    if (count == 0) {
        // Every Latin-1 character is excluded: a class that matches nothing.
        out += "[^\\x00-\\x{ff}]";
        return;
    }
    if (count == 1) {
        for (int b = 0; b < 256; ++b)
            if (set[b])
                AppendByte(static_cast<unsigned char>(b), out);
        return;
    }
    out += '[';
    for (int b = 0; b < 256;) {
        if (!set[b]) {
            ++b;
            continue;
        }
        int last = b;
        while (last + 1 < 256 && set[last + 1])
            ++last;
        AppendByte(static_cast<unsigned char>(b), out);
        if (last > b) {
            if (last > b + 1)
                out += '-';
            AppendByte(static_cast<unsigned char>(last), out);
        }
        b = last + 1;
    }
    out += ']';
}

} // namespace

TRegexParser::TRegexParser(std::string_view pattern) : Pattern(pattern)
{
    if (Pattern.size() > MaxPatternLength) {
        Error = 3;
        Pattern = {};
        return;
    }
    Root = ParseAlternation();
    if (Error == 0 && Pos < Pattern.size())
        Fail(6); // a ) without its (
    if (Error != 0) {
        Nodes.clear();
        Sets.clear();
        Root = -1;
    }
    Pattern = {};
}

bool TRegexParser::Fail(int code)
{
    if (Error == 0)
        Error = code;
    return false;
}

int TRegexParser::Add(Node node)
{
    Nodes.push_back(std::move(node));
    return static_cast<int>(Nodes.size()) - 1;
}

int TRegexParser::ParseAlternation()
{
    std::vector<int> branches;
    for (;;) {
        const int branch = ParseBranch();
        if (branch < 0)
            return -1;
        branches.push_back(branch);
        if (Pos < Pattern.size() && Pattern[Pos] == '|') {
            ++Pos;
            continue;
        }
        break;
    }
    if (branches.size() == 1)
        return branches[0];
    bool nullable = false;
    for (int b : branches)
        nullable = nullable || Nodes[b].Nullable;
    return Add({Kind::Alternate, nullable, false, 0, -1, std::move(branches)});
}

int TRegexParser::ParseBranch()
{
    std::vector<int> pieces;
    bool nullable = true;
    while (Pos < Pattern.size() && Pattern[Pos] != '|' && Pattern[Pos] != ')') {
        if (IsRepeat(Pattern[Pos]))
            return Fail(7), -1; // nothing to repeat
        int atom = ParseAtom();
        if (atom < 0)
            return -1;
        if (Pos < Pattern.size() && IsRepeat(Pattern[Pos])) {
            const char op = Pattern[Pos++];
            // Repeating what can match the empty text loops without end in a backtracking
            // matcher; such patterns are refused.
            if (Nodes[atom].Nullable)
                return Fail(7), -1;
            if (Pos < Pattern.size() && IsRepeat(Pattern[Pos]))
                return Fail(8), -1;
            const Kind kind = op == '*' ? Kind::Star : op == '+' ? Kind::Plus : Kind::Quest;
            atom = Add({kind, kind != Kind::Plus, false, 0, -1, {atom}});
        }
        nullable = nullable && Nodes[atom].Nullable;
        pieces.push_back(atom);
    }
    if (pieces.empty())
        return Add({Kind::Empty, true, false, 0, -1, {}});
    if (pieces.size() == 1)
        return pieces[0];
    return Add({Kind::Concat, nullable, false, 0, -1, std::move(pieces)});
}

int TRegexParser::ParseAtom()
{
    const auto c = static_cast<unsigned char>(Pattern[Pos++]);
    switch (c) {
    case '(': {
        if (++Groups > MaxGroups)
            return Fail(5), -1;
        const int inner = ParseAlternation();
        if (inner < 0)
            return -1;
        if (Pos >= Pattern.size())
            return Fail(6), -1; // a ( without its )
        ++Pos;
        return Add({Kind::Group, Nodes[inner].Nullable, false, 0, -1, {inner}});
    }
    case '^':
        return Add({Kind::Bol, true, false, 0, -1, {}});
    case '$':
        return Add({Kind::Eol, true, false, 0, -1, {}});
    case '.': {
        Sets.emplace_back().set();
        return Add({Kind::Set, false, false, 0, static_cast<int>(Sets.size()) - 1, {}});
    }
    case '[':
        return ParseClass();
    default:
        break;
    }
    unsigned char literal = c;
    if (c == '\\') {
        if (Pos >= Pattern.size())
            return Fail(11), -1;
        literal = static_cast<unsigned char>(Pattern[Pos++]);
    }
    Sets.emplace_back().set(literal);
    return Add({Kind::Set, false, true, literal, static_cast<int>(Sets.size()) - 1, {}});
}

int TRegexParser::ParseClass()
{
    std::bitset<256> set;
    bool negate = false;
    if (Pos < Pattern.size() && Pattern[Pos] == '^') {
        negate = true;
        ++Pos;
    }
    // Reads one member character, with its backslash quoting; false at a fault.
    auto member = [this](unsigned char& out) {
        if (Pos >= Pattern.size())
            return Fail(10);
        char c = Pattern[Pos++];
        if (c == '\\') {
            if (Pos >= Pattern.size())
                return Fail(11);
            c = Pattern[Pos++];
        }
        out = static_cast<unsigned char>(c);
        return true;
    };
    bool first = true;
    for (;;) {
        if (Pos >= Pattern.size())
            return Fail(10), -1;
        if (Pattern[Pos] == ']' && !first) {
            ++Pos;
            break;
        }
        first = false;
        unsigned char low;
        if (!member(low))
            return -1;
        // x-y is a range unless the - is the last member.
        if (Pos + 1 < Pattern.size() && Pattern[Pos] == '-' && Pattern[Pos + 1] != ']') {
            ++Pos;
            unsigned char high;
            if (!member(high))
                return -1;
            if (high < low)
                return Fail(9), -1;
            for (int b = low; b <= high; ++b)
                set.set(static_cast<std::size_t>(b));
        } else {
            set.set(low);
        }
    }
    if (negate)
        set.flip();
    Sets.push_back(set);
    return Add({Kind::Set, false, false, 0, static_cast<int>(Sets.size()) - 1, {}});
}

std::string TRegexParser::ToRE2(bool foldCase, Target target) const
{
    std::string out;
    if (Error == 0)
        Emit(Root, foldCase, target, out);
    return out;
}

void TRegexParser::Emit(int index, bool foldCase, Target target, std::string& out) const
{
    const Node& node = Nodes[static_cast<std::size_t>(index)];
    switch (node.What) {
    case Kind::Empty:
        out += "(?:)";
        return;
    case Kind::Set: {
        const std::bitset<256>& members = Sets[static_cast<std::size_t>(node.SetIndex)];
        std::bitset<256> set;
        if (foldCase) {
            // Text byte b matches when its folded form is a member.
            for (int b = 0; b < 256; ++b)
                if (members[FoldByte(static_cast<unsigned char>(b))])
                    set.set(static_cast<std::size_t>(b));
        } else {
            set = members;
        }
        if (target != Target::Line)
            set.reset('\n'); // a line holds no line feed
        if (target == Target::LineHits)
            set.reset('\r'); // lines holding a CR are matched one by one
        AppendSet(set, out);
        return;
    }
    case Kind::Bol:
        out += target == Target::Line ? "\\A" : target == Target::LinesAnywhere ? "(?:)" : "(?m:^)";
        return;
    case Kind::Eol:
        // In a buffer a line may end with CR LF, whose CR is not part of the line.
        out += target == Target::Line ? "\\z" : target == Target::LinesAnywhere ? "(?:)" : "(?:\\x{0d}?(?m:$))";
        return;
    case Kind::Concat:
        for (int kid : node.Kids)
            Emit(kid, foldCase, target, out);
        return;
    case Kind::Alternate:
        // Each alternative is a capturing group so that the engine does not factor out their
        // common leading text: in Latin-1 mode this engine then looks for that text in its
        // UTF-8 form and misses every hit that starts with a byte above 127.
        out += "(?:";
        for (std::size_t i = 0; i < node.Kids.size(); ++i) {
            out += i > 0 ? "|(" : "(";
            Emit(node.Kids[i], foldCase, target, out);
            out += ')';
        }
        out += ')';
        return;
    case Kind::Group:
        out += "(?:";
        Emit(node.Kids[0], foldCase, target, out);
        out += ')';
        return;
    case Kind::Star:
    case Kind::Plus:
    case Kind::Quest:
        out += "(?:";
        Emit(node.Kids[0], foldCase, target, out);
        out += node.What == Kind::Star ? ")*" : node.What == Kind::Plus ? ")+" : ")?";
        return;
    }
}

std::string TRegexParser::RequiredLiteral() const
{
    std::string run, best;
    if (Error == 0)
        CollectLiterals(Root, run, best);
    if (run.size() > best.size())
        best = run;
    return best;
}

std::vector<std::string> TRegexParser::RequiredLiterals(std::size_t minLength, std::size_t maxCount) const
{
    std::vector<std::string> literals;
    if (Error != 0)
        return literals;
    const std::string whole = RequiredLiteral();
    if (whole.size() >= minLength) {
        literals.push_back(whole);
        return literals;
    }
    int top = Root;
    while (Nodes[static_cast<std::size_t>(top)].What == Kind::Group)
        top = Nodes[static_cast<std::size_t>(top)].Kids[0];
    const Node& node = Nodes[static_cast<std::size_t>(top)];
    if (node.What != Kind::Alternate || node.Kids.size() > maxCount)
        return literals;
    for (int branch : node.Kids) {
        std::string run, best;
        CollectLiterals(branch, run, best);
        if (run.size() > best.size())
            best = run;
        if (best.size() < minLength)
            return {};
        literals.push_back(best);
    }
    return literals;
}

void TRegexParser::CollectLiterals(int index, std::string& run, std::string& best) const
{
    const Node& node = Nodes[static_cast<std::size_t>(index)];
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    switch (node.What) {
    case Kind::Set:
        if (node.Literal)
            run += static_cast<char>(node.Byte);
        else
            endRun();
        return;
    case Kind::Concat:
        for (int kid : node.Kids)
            CollectLiterals(kid, run, best);
        return;
    case Kind::Group:
        CollectLiterals(node.Kids[0], run, best);
        return;
    case Kind::Plus: {
        // x+ is x x*: one copy adjoins what comes before, and the last copy what follows.
        const Node& kid = Nodes[static_cast<std::size_t>(node.Kids[0])];
        if (kid.What == Kind::Set && kid.Literal) {
            run += static_cast<char>(kid.Byte);
            endRun();
            run += static_cast<char>(kid.Byte);
            return;
        }
        endRun();
        CollectLiterals(node.Kids[0], run, best);
        endRun();
        return;
    }
    default:
        endRun();
        return;
    }
}

bool TRegexParser::IsLiteral(int index) const
{
    const Node& node = Nodes[static_cast<std::size_t>(index)];
    switch (node.What) {
    case Kind::Set:
        return node.Literal;
    case Kind::Group:
        return IsLiteral(node.Kids[0]);
    case Kind::Concat:
        return std::all_of(node.Kids.begin(), node.Kids.end(), [this](int kid) { return IsLiteral(kid); });
    default:
        return false;
    }
}

bool TRegexParser::HasStartAnchor() const
{
    return std::any_of(Nodes.begin(), Nodes.end(), [](const Node& node) { return node.What == Kind::Bol; });
}

std::vector<std::string> TRegexParser::LiteralAlternatives() const
{
    std::vector<std::string> texts;
    if (Error != 0)
        return texts;
    int top = Root;
    while (Nodes[static_cast<std::size_t>(top)].What == Kind::Group)
        top = Nodes[static_cast<std::size_t>(top)].Kids[0];
    const Node& node = Nodes[static_cast<std::size_t>(top)];
    const std::vector<int> single = {top};
    for (int branch : node.What == Kind::Alternate ? node.Kids : single) {
        if (!IsLiteral(branch))
            return {};
        std::string run, best;
        CollectLiterals(branch, run, best);
        texts.push_back(run.size() > best.size() ? run : best);
    }
    return texts;
}
