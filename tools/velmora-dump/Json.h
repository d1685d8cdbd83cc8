// Just enough JSON writing for one object per line, straight into the
// output text: string quoting in one pass and an object writer that keeps
// members in the order they are added.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends Text as a JSON string literal, quotes included. Quotes,
// backslashes and control characters are escaped; every byte from 0x7F up
// is written as \u00XX, since message texts are single-byte code page text,
// not UTF-8.
void AppendJsonString(std::string_view Text, std::string& Out);
std::string JsonQuote(std::string_view Text);

// Writes one JSON object: "{" when made, the members as they are added,
// "}" by Close. Made without a text, it writes into one of its own, which
// Text shows closed.
class TJsonObject {
public:
    TJsonObject()
        : FOut(FOwn)
    {
        FOut.push_back('{');
    }
    explicit TJsonObject(std::string& Out)
        : FOut(Out)
    {
        FOut.push_back('{');
    }
    TJsonObject(const TJsonObject&) = delete;
    TJsonObject& operator=(const TJsonObject&) = delete;

    TJsonObject& Add(std::string_view Key, std::string_view Value);
    TJsonObject& Add(std::string_view Key, const char* Value) { return Add(Key, std::string_view(Value)); }
    TJsonObject& Add(std::string_view Key, int64_t Value);
    TJsonObject& AddBool(std::string_view Key, bool Value);
    // Value is already JSON (an object or an array).
    TJsonObject& AddRaw(std::string_view Key, std::string_view Json);
    // Writes the member's key; the caller writes its value into Out().
    TJsonObject& Key(std::string_view Key);
    std::string& Out() { return FOut; }

    // Ends the object.
    void Close() { FOut.push_back('}'); }
    // The object written so far into a text of its own, closed.
    std::string Text() const { return FOwn + "}"; }

private:
    std::string FOwn;
    std::string& FOut;
    bool FFirst = true;
};
