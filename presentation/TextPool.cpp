#include "presentation/TextPool.h"

TTextPool::TTextPool()
{
    FTexts.emplace_back();
    FIndex.emplace(std::string_view(FTexts.front()), 0);
}

uint32_t TTextPool::Intern(std::string_view Text)
{
    if (Text.empty())
        return 0;
    const size_t Slot =
        (Text.size() * 7 + static_cast<uint8_t>(Text.front()) * 3 + static_cast<uint8_t>(Text.back())) % FRecent.size();
    const uint32_t Recent = FRecent[Slot];
    if (Recent != 0 && FTexts[Recent] == Text)
        return Recent;
    uint32_t Index = 0;
    if (const auto Found = FIndex.find(Text); Found != FIndex.end()) {
        Index = Found->second;
    } else {
        Index = static_cast<uint32_t>(FTexts.size());
        FIndex.emplace(std::string_view(FTexts.emplace_back(Text)), Index);
    }
    FRecent[Slot] = Index;
    return Index;
}
