#include "analysis/CaptureFilter.h"

#include "l4/PacketL4.h"
#include "presentation/CaptureRow.h"

#include <charconv>

namespace {

enum class TField : uint8_t { Name, Dir, Link, Opc, Dpc, Pc, Sls, Si, Cic, Word };

struct TFieldInfo {
    const char* Name;
    TField Field;
    // The largest value a number of the field can have.
    uint32_t Max;
};

constexpr TFieldInfo Fields[] = {
    {"name", TField::Name, 0},   {"dir", TField::Dir, 0},     {"link", TField::Link, 255},
    {"opc", TField::Opc, 16383}, {"dpc", TField::Dpc, 16383}, {"pc", TField::Pc, 16383},
    {"sls", TField::Sls, 15},    {"si", TField::Si, 15},      {"cic", TField::Cic, 65535},
};

constexpr const char* FieldList = "name, dir, link, opc, dpc, pc, sls, si, cic";

bool IsBlank(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

char Upper(char C)
{
    return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

std::string UpperText(std::string_view Text)
{
    std::string Result(Text);
    for (char& C : Result)
        C = Upper(C);
    return Result;
}

// Whether Text contains Wanted (upper case), letter case of Text ignored.
bool ContainsUpper(std::string_view Text, std::string_view Wanted)
{
    if (Wanted.size() > Text.size())
        return false;
    for (size_t At = 0; At + Wanted.size() <= Text.size(); ++At) {
        size_t I = 0;
        while (I < Wanted.size() && Upper(Text[At + I]) == Wanted[I])
            ++I;
        if (I == Wanted.size())
            return true;
    }
    return false;
}

bool SameUpper(std::string_view Text, std::string_view Wanted)
{
    if (Text.size() != Wanted.size())
        return false;
    for (size_t I = 0; I < Text.size(); ++I)
        if (Upper(Text[I]) != Wanted[I])
            return false;
    return true;
}

} // namespace

struct TCaptureFilter::TTerm {
    TField Field = TField::Word;
    bool Negated = false;
    // Numbers and directions: the ranges of values the term accepts.
    std::vector<std::pair<uint32_t, uint32_t>> Ranges;
    // name: the names, upper case.
    std::vector<std::string> Names;
    // A bare word, upper case.
    std::string Word;
    // name and bare words: whether each text of the pool matches, -1 not
    // yet known.
    mutable std::vector<int8_t> PoolMatch;

    bool InRanges(uint32_t Value) const
    {
        for (const auto& [Low, High] : Ranges)
            if (Value >= Low && Value <= High)
                return true;
        return false;
    }

    bool PooledMatch(uint32_t Index, const TTextPool& Texts) const
    {
        if (Index >= PoolMatch.size())
            PoolMatch.resize(Texts.Count(), -1);
        if (Index >= PoolMatch.size())
            return false;
        int8_t& Known = PoolMatch[Index];
        if (Known < 0) {
            const std::string& Text = Texts.Text(Index);
            bool Match = false;
            if (Field == TField::Name) {
                for (const std::string& Name : Names)
                    Match = Match || SameUpper(Text, Name);
            } else {
                Match = Index != 0 && ContainsUpper(Text, Word);
            }
            Known = Match ? 1 : 0;
        }
        return Known != 0;
    }

    bool WordMatch(const TCaptureItem& Item, const TTextPool& Texts) const
    {
        if (PooledMatch(Item.Summary.NameText, Texts) || PooledMatch(Item.Summary.ErrorText, Texts))
            return true;
        std::string Cell;
        for (int Column : {colLink, colRoutingLabel, colCic, colTime, colDate}) {
            Cell.clear();
            AppendCellText(Item, Column, Texts, Cell);
            if (ContainsUpper(Cell, Word))
                return true;
        }
        return false;
    }

    bool Holds(const TCaptureItem& Item, const TTextPool& Texts) const
    {
        const TCaptureSummary& Summary = Item.Summary;
        switch (Field) {
        case TField::Name:
            return PooledMatch(Summary.NameText, Texts);
        case TField::Dir:
            return InRanges(Item.Direction);
        case TField::Link:
            return !Item.IsStopEntry() && InRanges(Item.Link);
        case TField::Opc:
            return Summary.HasRoutingLabel && InRanges(GetOpc(Summary.RoutingLabel));
        case TField::Dpc:
            return Summary.HasRoutingLabel && InRanges(GetDpc(Summary.RoutingLabel));
        case TField::Pc:
            return Summary.HasRoutingLabel &&
                (InRanges(GetOpc(Summary.RoutingLabel)) || InRanges(GetDpc(Summary.RoutingLabel)));
        case TField::Sls:
            return Summary.HasRoutingLabel && InRanges(GetSls(Summary.RoutingLabel));
        case TField::Si:
            // The service indicator is the low half of the SIO, the
            // message's first octet.
            return Item.OctetCount() > 0 && !Item.IsStopEntry() &&
                InRanges(static_cast<uint8_t>(Item.OctetBytes()[0]) & 0x0F);
        case TField::Cic:
            return Summary.HasCic && InRanges(Summary.Cic);
        case TField::Word:
            return WordMatch(Item, Texts);
        }
        return false;
    }
};

EFilterError::EFilterError(size_t Position, const std::string& Reason)
    : Exception("column " + std::to_string(Position + 1) + ": " + Reason)
    , Position(Position)
    , Reason(Reason)
{
}

TCaptureFilter::TCaptureFilter() = default;
TCaptureFilter::~TCaptureFilter() = default;
TCaptureFilter::TCaptureFilter(const TCaptureFilter&) = default;
TCaptureFilter& TCaptureFilter::operator=(const TCaptureFilter&) = default;
TCaptureFilter::TCaptureFilter(TCaptureFilter&&) noexcept = default;
TCaptureFilter& TCaptureFilter::operator=(TCaptureFilter&&) noexcept = default;

namespace {

// Reads a decimal number of Text at Position (of the expression) no larger
// than Max.
uint32_t ReadNumber(std::string_view Text, size_t Position, std::string_view Field, uint32_t Max)
{
    if (Text.empty())
        throw EFilterError(Position, "a number is missing");
    uint64_t Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Error == std::errc::result_out_of_range ||
        (Error == std::errc() && End == Text.data() + Text.size() && Value > Max))
        throw EFilterError(Position,
                           std::string(Text) + " is too large for " + std::string(Field) + " (at most " +
                               std::to_string(Max) + ")");
    if (Error != std::errc() || End != Text.data() + Text.size())
        throw EFilterError(Position, "'" + std::string(Text) + "' is not a number or a range A-B");
    return static_cast<uint32_t>(Value);
}

} // namespace

TCaptureFilter TCaptureFilter::Parse(std::string_view Expression)
{
    TCaptureFilter Filter;
    Filter.FExpression = Expression;
    size_t At = 0;
    const size_t End = Expression.size();
    while (true) {
        while (At < End && IsBlank(Expression[At]))
            ++At;
        if (At == End)
            break;
        TTerm Term;
        const size_t TermStart = At;
        if (Expression[At] == '!') {
            Term.Negated = true;
            ++At;
            if (At == End || IsBlank(Expression[At]))
                throw EFilterError(TermStart, "'!' must stand right before a term");
        }
        if (Expression[At] == '"') {
            const size_t Close = Expression.find('"', At + 1);
            if (Close == std::string_view::npos)
                throw EFilterError(At, "the quoted text is not closed by \"");
            if (Close == At + 1)
                throw EFilterError(At, "the quoted text is empty");
            Term.Word = UpperText(Expression.substr(At + 1, Close - At - 1));
            At = Close + 1;
            if (At < End && !IsBlank(Expression[At]))
                throw EFilterError(At, "a blank must follow the closing \"");
            Filter.FTerms.push_back(std::move(Term));
            continue;
        }
        size_t TokenEnd = At;
        while (TokenEnd < End && !IsBlank(Expression[TokenEnd]))
            ++TokenEnd;
        const std::string_view Token = Expression.substr(At, TokenEnd - At);
        const size_t Equals = Token.find('=');
        if (Equals == std::string_view::npos) {
            Term.Word = UpperText(Token);
            Filter.FTerms.push_back(std::move(Term));
            At = TokenEnd;
            continue;
        }
        const std::string_view FieldName = Token.substr(0, Equals);
        if (FieldName.empty())
            throw EFilterError(At, "a field name must come before '=' (" + std::string(FieldList) + ")");
        const TFieldInfo* Info = nullptr;
        for (const TFieldInfo& Candidate : Fields)
            if (SameUpper(UpperText(FieldName), UpperText(Candidate.Name)))
                Info = &Candidate;
        if (!Info)
            throw EFilterError(At, "unknown field '" + std::string(FieldName) + "' (fields: " + FieldList + ")");
        Term.Field = Info->Field;
        size_t ValueAt = At + Equals + 1;
        if (ValueAt == TokenEnd)
            throw EFilterError(ValueAt, "a value must follow '" + std::string(Token) + "'");
        while (ValueAt <= TokenEnd) {
            size_t ValueEnd = Expression.find(',', ValueAt);
            if (ValueEnd == std::string_view::npos || ValueEnd > TokenEnd)
                ValueEnd = TokenEnd;
            const std::string_view Value = Expression.substr(ValueAt, ValueEnd - ValueAt);
            if (Value.empty())
                throw EFilterError(ValueAt, "a value is missing between commas");
            switch (Term.Field) {
            case TField::Name:
                Term.Names.push_back(UpperText(Value));
                break;
            case TField::Dir: {
                const std::string Direction = UpperText(Value);
                if (Direction == "IN")
                    Term.Ranges.emplace_back(cdIn, cdIn);
                else if (Direction == "OUT")
                    Term.Ranges.emplace_back(cdOut, cdOut);
                else
                    throw EFilterError(ValueAt, "dir is in or out, not '" + std::string(Value) + "'");
                break;
            }
            default: {
                const size_t Dash = Value.find('-');
                if (Dash == std::string_view::npos) {
                    const uint32_t Number = ReadNumber(Value, ValueAt, Info->Name, Info->Max);
                    Term.Ranges.emplace_back(Number, Number);
                } else {
                    const uint32_t Low = ReadNumber(Value.substr(0, Dash), ValueAt, Info->Name, Info->Max);
                    const uint32_t High = ReadNumber(Value.substr(Dash + 1), ValueAt + Dash + 1, Info->Name, Info->Max);
                    if (High < Low)
                        throw EFilterError(ValueAt, "the range " + std::string(Value) + " runs backwards");
                    Term.Ranges.emplace_back(Low, High);
                }
                break;
            }
            }
            ValueAt = ValueEnd + 1;
        }
        Filter.FTerms.push_back(std::move(Term));
        At = TokenEnd;
    }
    return Filter;
}

bool TCaptureFilter::Empty() const
{
    return FTerms.empty();
}

void TCaptureFilter::Prepare(const TTextPool& Texts) const
{
    if (FPool == &Texts)
        return;
    FPool = &Texts;
    for (const TTerm& Term : FTerms)
        Term.PoolMatch.clear();
}

bool TCaptureFilter::Matches(const TCaptureItem& Item, const TTextPool& Texts) const
{
    if (Empty())
        return true;
    Prepare(Texts);
    for (const TTerm& Term : FTerms)
        if (Term.Holds(Item, Texts) == Term.Negated)
            return false;
    return true;
}
