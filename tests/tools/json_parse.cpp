#include "tests/tools/json_parse.h"

#include <cstdlib>

namespace {

class TParser {
public:
    explicit TParser(std::string_view Text)
        : FText(Text)
    {
    }

    TJson Document()
    {
        TJson Value = ParseValue();
        SkipBlanks();
        if (FPos != FText.size())
            Fail("text after the value");
        return Value;
    }

private:
    [[noreturn]] void Fail(const std::string& What) const
    {
        throw std::runtime_error("JSON: " + What + " at " + std::to_string(FPos));
    }
    void SkipBlanks()
    {
        while (FPos < FText.size() &&
               (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' || FText[FPos] == '\r'))
            ++FPos;
    }
    char Peek() const { return FPos < FText.size() ? FText[FPos] : '\0'; }
    void Expect(char C)
    {
        if (Peek() != C)
            Fail(std::string("expected ") + C);
        ++FPos;
    }
    void Literal(std::string_view Word)
    {
        if (FText.substr(FPos, Word.size()) != Word)
            Fail("bad literal");
        FPos += Word.size();
    }

    TJson ParseValue()
    {
        SkipBlanks();
        TJson Value;
        switch (Peek()) {
        case '{':
            Value.Kind = TJson::Object;
            ++FPos;
            SkipBlanks();
            if (Peek() == '}') {
                ++FPos;
                return Value;
            }
            for (;;) {
                SkipBlanks();
                std::string Key = ParseString();
                SkipBlanks();
                Expect(':');
                Value.Members.emplace_back(std::move(Key), ParseValue());
                SkipBlanks();
                if (Peek() == ',') {
                    ++FPos;
                    continue;
                }
                Expect('}');
                return Value;
            }
        case '[':
            Value.Kind = TJson::Array;
            ++FPos;
            SkipBlanks();
            if (Peek() == ']') {
                ++FPos;
                return Value;
            }
            for (;;) {
                Value.Items.push_back(ParseValue());
                SkipBlanks();
                if (Peek() == ',') {
                    ++FPos;
                    continue;
                }
                Expect(']');
                return Value;
            }
        case '"':
            Value.Kind = TJson::String;
            Value.Str = ParseString();
            return Value;
        case 't':
            Literal("true");
            Value.Kind = TJson::Bool;
            Value.Boolean = true;
            return Value;
        case 'f':
            Literal("false");
            Value.Kind = TJson::Bool;
            return Value;
        case 'n':
            Literal("null");
            return Value;
        default:
            Value.Kind = TJson::Number;
            Value.Num = ParseNumber();
            return Value;
        }
    }

    double ParseNumber()
    {
        const size_t Start = FPos;
        if (Peek() == '-')
            ++FPos;
        if (Peek() == '0')
            ++FPos;
        else if (Peek() >= '1' && Peek() <= '9')
            while (Peek() >= '0' && Peek() <= '9')
                ++FPos;
        else
            Fail("bad number");
        if (Peek() == '.') {
            ++FPos;
            if (!(Peek() >= '0' && Peek() <= '9'))
                Fail("bad fraction");
            while (Peek() >= '0' && Peek() <= '9')
                ++FPos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++FPos;
            if (Peek() == '+' || Peek() == '-')
                ++FPos;
            if (!(Peek() >= '0' && Peek() <= '9'))
                Fail("bad exponent");
            while (Peek() >= '0' && Peek() <= '9')
                ++FPos;
        }
        return std::strtod(std::string(FText.substr(Start, FPos - Start)).c_str(), nullptr);
    }

    // Strings decode \u escapes below 0x100 to one octet, which is all the
    // tool writes; anything else must be plain printable ASCII.
    std::string ParseString()
    {
        Expect('"');
        std::string Result;
        for (;;) {
            if (FPos >= FText.size())
                Fail("unterminated string");
            const auto C = static_cast<unsigned char>(FText[FPos++]);
            if (C == '"')
                return Result;
            if (C < 0x20)
                Fail("raw control character in string");
            if (C >= 0x80)
                Fail("raw non-ASCII octet in string");
            if (C != '\\') {
                Result.push_back(static_cast<char>(C));
                continue;
            }
            const char E = Peek();
            ++FPos;
            switch (E) {
            case '"':
                Result.push_back('"');
                break;
            case '\\':
                Result.push_back('\\');
                break;
            case '/':
                Result.push_back('/');
                break;
            case 'b':
                Result.push_back('\b');
                break;
            case 'f':
                Result.push_back('\f');
                break;
            case 'n':
                Result.push_back('\n');
                break;
            case 'r':
                Result.push_back('\r');
                break;
            case 't':
                Result.push_back('\t');
                break;
            case 'u': {
                if (FPos + 4 > FText.size())
                    Fail("short \\u escape");
                const std::string Digits(FText.substr(FPos, 4));
                char* End = nullptr;
                const long Code = std::strtol(Digits.c_str(), &End, 16);
                if (End != Digits.c_str() + 4)
                    Fail("bad \\u escape");
                if (Code > 0xFF)
                    Fail("\\u escape above 0xFF");
                Result.push_back(static_cast<char>(Code));
                FPos += 4;
                break;
            }
            default:
                Fail("bad escape");
            }
        }
    }

    std::string_view FText;
    size_t FPos = 0;
};

} // namespace

TJson ParseJson(std::string_view Text)
{
    return TParser(Text).Document();
}
