#include "core/Globals.h"

#include <filesystem>
#include <system_error>

std::string StateFileName;

std::string ProgramFolder()
{
    std::error_code Error;
    const auto Exe = std::filesystem::read_symlink("/proc/self/exe", Error);
    if (Error)
        return "./";
    std::string Folder = Exe.parent_path().string();
    if (Folder.empty() || Folder.back() != '/')
        Folder.push_back('/');
    return Folder;
}
