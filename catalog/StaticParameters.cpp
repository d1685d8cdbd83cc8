#include "catalog/StaticParameters.h"

#include "catalog/DefinitionFiles.h"
#include "core/IniFile.h"
#include "core/StringList.h"

TStaticParameters::TStaticParameters(const std::string& FileName)
{
    const TIniFile Ini(FileName);
    const std::string Pattern = Ini.ReadString("General", "FileName", "%s");
    const std::string Folder = FolderOf(FileName);
    TNewStringList Codes;
    Ini.ReadSectionValues("Codes", Codes);
    Reserve(Codes.Count());
    for (int I = 0; I < Codes.Count(); ++I) {
        const int32_t Code = Codes.IntegerFromIndex(I);
        TStaticParameter& Parameter = Add<TStaticParameter>(static_cast<uint8_t>(Code));
        Parameter.SetName(Codes.Names(I));
        const std::string Path = LocalPath(Folder + ExpandFileNamePattern(Pattern, Parameter.Name()));
        Parameter.LoadLayout(FindDefinitionFile(Path));
    }
}

const TStaticParameter* TStaticParameters::FindByName(std::string_view Name) const
{
    if (FIndexedCount != Count()) {
        FNameIndex.clear();
        for (int I = 0; I < Count(); ++I)
            FNameIndex.try_emplace(Items(I).Name(), I);
        FIndexedCount = Count();
    }
    const auto Found = FNameIndex.find(std::string(Name));
    return Found == FNameIndex.end() ? nullptr : &Items(Found->second);
}

TCustomParameter* TStaticParameters::InstantiateByName(TParameterCollection& Parameters, std::string_view Name,
                                                       bool Mandatory) const
{
    const TStaticParameter* Layout = FindByName(Name);
    return Layout ? &Layout->Instantiate(Parameters, Mandatory) : nullptr;
}
