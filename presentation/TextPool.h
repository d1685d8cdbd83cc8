// TTextPool: texts kept once and named by a small index, so that a million
// captures of the same message share one name and a capture's summary
// stays a few bytes. Index 0 is the empty text; texts are never removed,
// so an index stays valid for the pool's life.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class TTextPool {
public:
    TTextPool();
    TTextPool(const TTextPool&) = delete;
    TTextPool& operator=(const TTextPool&) = delete;

    // The index of Text, added when new.
    uint32_t Intern(std::string_view Text);
    // The text of an index; the empty text for an index never given out.
    const std::string& Text(uint32_t Index) const { return Index < FTexts.size() ? FTexts[Index] : FTexts[0]; }
    // The number of texts, the empty one included.
    uint32_t Count() const { return static_cast<uint32_t>(FTexts.size()); }

private:
    struct THash {
        using is_transparent = void;
        size_t operator()(std::string_view Text) const { return std::hash<std::string_view>{}(Text); }
    };
    // A deque never moves its elements: the index's keys view them.
    std::deque<std::string> FTexts;
    std::unordered_map<std::string_view, uint32_t, THash, std::equal_to<>> FIndex;
    // The indices last found, by a cheap hash of the text: most texts asked
    // for again (the names of the usual messages) are found here without
    // hashing them whole.
    std::array<uint32_t, 64> FRecent{};
};
