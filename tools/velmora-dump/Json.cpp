#include "tools/velmora-dump/Json.h"

#include "core/Format.h"

#include <array>

namespace {

// For each byte: 0 when it stands as it is, else the letter of its short
// escape ('"', '\\', 'b', 'f', 'n', 'r', 't'), or 'u' for \u00XX.
constexpr std::array<char, 256> MakeEscapes()
{
    std::array<char, 256> Table{};
    for (int C = 0; C < 256; ++C)
        Table[C] = C < 0x20 || C >= 0x7F ? 'u' : 0;
    Table['"'] = '"';
    Table['\\'] = '\\';
    Table['\b'] = 'b';
    Table['\f'] = 'f';
    Table['\n'] = 'n';
    Table['\r'] = 'r';
    Table['\t'] = 't';
    return Table;
}

constexpr std::array<char, 256> Escapes = MakeEscapes();

} // namespace

void AppendJsonString(std::string_view Text, std::string& Out)
{
    static constexpr char Hex[] = "0123456789abcdef";
    Out.push_back('"');
    const char* Run = Text.data();
    const char* const End = Text.data() + Text.size();
    for (const char* P = Run; P != End; ++P) {
        const auto C = static_cast<unsigned char>(*P);
        const char Escape = Escapes[C];
        if (Escape == 0)
            continue;
        Out.append(Run, P);
        Run = P + 1;
        const char Short[2] = {'\\', Escape};
        if (Escape != 'u') {
            Out.append(Short, 2);
            continue;
        }
        const char Long[6] = {'\\', 'u', '0', '0', Hex[C >> 4], Hex[C & 0x0F]};
        Out.append(Long, 6);
    }
    Out.append(Run, End);
    Out.push_back('"');
}

std::string JsonQuote(std::string_view Text)
{
    std::string Result;
    Result.reserve(Text.size() + 2);
    AppendJsonString(Text, Result);
    return Result;
}

TJsonObject& TJsonObject::Key(std::string_view Key)
{
    if (!FFirst)
        FOut.push_back(',');
    FFirst = false;
    AppendJsonString(Key, FOut);
    FOut.push_back(':');
    return *this;
}

TJsonObject& TJsonObject::Add(std::string_view Name, std::string_view Value)
{
    Key(Name);
    AppendJsonString(Value, FOut);
    return *this;
}

TJsonObject& TJsonObject::Add(std::string_view Name, int64_t Value)
{
    Key(Name);
    if (Value < 0) {
        FOut.push_back('-');
        AppendDecimal(FOut, static_cast<uint64_t>(0) - static_cast<uint64_t>(Value));
    } else {
        AppendDecimal(FOut, static_cast<uint64_t>(Value));
    }
    return *this;
}

TJsonObject& TJsonObject::AddBool(std::string_view Name, bool Value)
{
    Key(Name);
    FOut += Value ? "true" : "false";
    return *this;
}

TJsonObject& TJsonObject::AddRaw(std::string_view Name, std::string_view Json)
{
    Key(Name);
    FOut += Json;
    return *this;
}
