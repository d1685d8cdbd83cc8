#include "tools/velmora-dump/Json.h"

std::string JsonQuote(std::string_view Text)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Result;
    Result.reserve(Text.size() + 2);
    Result.push_back('"');
    for (const char Char : Text) {
        const auto C = static_cast<unsigned char>(Char);
        switch (C) {
        case '"':
            Result += "\\\"";
            break;
        case '\\':
            Result += "\\\\";
            break;
        case '\b':
            Result += "\\b";
            break;
        case '\f':
            Result += "\\f";
            break;
        case '\n':
            Result += "\\n";
            break;
        case '\r':
            Result += "\\r";
            break;
        case '\t':
            Result += "\\t";
            break;
        default:
            if (C < 0x20 || C >= 0x7F) {
                Result += "\\u00";
                Result.push_back(Hex[C >> 4]);
                Result.push_back(Hex[C & 0x0F]);
            } else {
                Result.push_back(Char);
            }
        }
    }
    Result.push_back('"');
    return Result;
}

void TJsonObject::Key(std::string_view Key)
{
    if (FText.size() > 1)
        FText.push_back(',');
    FText += JsonQuote(Key);
    FText.push_back(':');
}

TJsonObject& TJsonObject::Add(std::string_view Name, std::string_view Value)
{
    Key(Name);
    FText += JsonQuote(Value);
    return *this;
}

TJsonObject& TJsonObject::Add(std::string_view Name, int64_t Value)
{
    Key(Name);
    FText += std::to_string(Value);
    return *this;
}

TJsonObject& TJsonObject::AddBool(std::string_view Name, bool Value)
{
    Key(Name);
    FText += Value ? "true" : "false";
    return *this;
}

TJsonObject& TJsonObject::AddRaw(std::string_view Name, std::string_view Json)
{
    Key(Name);
    FText += Json;
    return *this;
}
