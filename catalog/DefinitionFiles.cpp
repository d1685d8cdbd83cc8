#include "catalog/DefinitionFiles.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/StringList.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ExpandFileNamePattern(std::string_view Pattern, std::string_view Name)
{
    const std::string Text(Pattern);
    std::string Result;
    bool ArgumentUsed = false;
    for (size_t I = 0; I < Pattern.size(); ++I) {
        if (Pattern[I] != '%') {
            Result.push_back(Pattern[I]);
            continue;
        }
        const char Directive = I + 1 < Pattern.size() ? Pattern[I + 1] : '\0';
        if (Directive == '%') {
            Result.push_back('%');
        } else if (Directive == 's' || Directive == 'S') {
            if (ArgumentUsed)
                throw EFormatError(Format("No argument for format '%s'", Text.c_str()));
            Result.append(Name);
            ArgumentUsed = true;
        } else {
            throw EFormatError(Format("Format '%s' invalid or incompatible with argument", Text.c_str()));
        }
        ++I;
    }
    return Result;
}

std::string LocalPath(std::string_view Path)
{
    std::string Result(Path);
    const char Separator = static_cast<char>(fs::path::preferred_separator);
    for (char& C : Result)
        if (C == '\\' || C == '/')
            C = Separator;
    return Result;
}

std::string FolderOf(std::string_view Path)
{
    const size_t Last = Path.find_last_of("/\\");
    return Last == std::string_view::npos ? std::string() : std::string(Path.substr(0, Last + 1));
}

std::string FindDefinitionFile(const std::string& Path)
{
    std::error_code Error;
    if (fs::exists(Path, Error))
        return Path;
    // Walk down from the first element that does exist, matching each
    // further element without regard to letter case.
    const fs::path Wanted(Path);
    fs::path Found = Wanted.root_path();
    for (const fs::path& Element : Wanted.relative_path()) {
        fs::path Next = Found / Element;
        if (!fs::exists(Next, Error)) {
            const fs::path Folder = Found.empty() ? fs::path(".") : Found;
            bool Matched = false;
            for (fs::directory_iterator It(Folder, Error), End; !Error && It != End; It.increment(Error)) {
                const fs::path Entry = It->path().filename();
                if (SameText(Entry.string(), Element.string())) {
                    Next = Found / Entry;
                    Matched = true;
                    break;
                }
            }
            if (!Matched)
                return Path;
        }
        Found = std::move(Next);
    }
    return Found.string();
}
