// Just enough JSON writing for one object per line: string quoting and an
// object builder that keeps members in the order they are added.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text as a JSON string literal, quotes included. Quotes, backslashes and
// control characters are escaped; every byte from 0x7F up is written as
// \u00XX, since message texts are single-byte code page text, not UTF-8.
std::string JsonQuote(std::string_view Text);

class TJsonObject {
public:
    TJsonObject& Add(std::string_view Key, std::string_view Value);
    TJsonObject& Add(std::string_view Key, const char* Value) { return Add(Key, std::string_view(Value)); }
    TJsonObject& Add(std::string_view Key, int64_t Value);
    TJsonObject& AddBool(std::string_view Key, bool Value);
    // Value is already JSON (an object or an array).
    TJsonObject& AddRaw(std::string_view Key, std::string_view Json);

    std::string Text() const { return FText + "}"; }

private:
    void Key(std::string_view Key);
    std::string FText = "{";
};
