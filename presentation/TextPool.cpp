#include "presentation/TextPool.h"

TTextPool::TTextPool()
{
    FTexts.emplace_back();
    FIndex.emplace(std::string_view(FTexts.front()), 0);
}

uint32_t TTextPool::Intern(std::string_view Text)
{
    if (const auto Found = FIndex.find(Text); Found != FIndex.end())
        return Found->second;
    const auto Index = static_cast<uint32_t>(FTexts.size());
    FIndex.emplace(std::string_view(FTexts.emplace_back(Text)), Index);
    return Index;
}
