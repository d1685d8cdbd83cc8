// A small strict JSON reader for checking velmora-dump's JSON Lines: it
// accepts exactly the JSON grammar and keeps object members in order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct TJson {
    enum TKind { Null, Bool, Number, String, Array, Object } Kind = Null;
    bool Boolean = false;
    double Num = 0;
    std::string Str;
    std::vector<TJson> Items;
    std::vector<std::pair<std::string, TJson>> Members;

    bool Has(std::string_view Key) const
    {
        for (const auto& Member : Members)
            if (Member.first == Key)
                return true;
        return false;
    }
    const TJson& operator[](std::string_view Key) const
    {
        for (const auto& Member : Members)
            if (Member.first == Key)
                return Member.second;
        throw std::runtime_error("no member " + std::string(Key));
    }
    std::vector<std::string> Keys() const
    {
        std::vector<std::string> Result;
        for (const auto& Member : Members)
            Result.push_back(Member.first);
        return Result;
    }
};

// Parses one JSON text; throws std::runtime_error on anything malformed.
TJson ParseJson(std::string_view Text);
