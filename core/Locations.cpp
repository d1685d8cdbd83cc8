#include "core/Locations.h"

#include "core/Globals.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Path text of P, keeping a trailing '/' when Folder asks for one.
std::string Normalised(const std::string& P, bool Folder)
{
    std::string Text = fs::path(P).lexically_normal().string();
    if (Folder && (Text.empty() || Text.back() != '/'))
        Text.push_back('/');
    if (!Folder && !Text.empty() && Text.back() == '/' && Text.size() > 1)
        Text.pop_back();
    return Text;
}

bool Exists(const std::string& P)
{
    std::error_code Error;
    return fs::exists(P, Error);
}

// Creates Folder and any missing parents, each new one readable by its owner
// only. True when the folder exists afterwards.
bool MakeOwnFolders(const fs::path& Folder)
{
    std::error_code Error;
    if (fs::is_directory(Folder, Error))
        return true;
    if (Folder.has_parent_path() && Folder.parent_path() != Folder && !MakeOwnFolders(Folder.parent_path()))
        return false;
    if (!fs::create_directory(Folder, Error))
        return fs::is_directory(Folder, Error);
    fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::replace, Error);
    return true;
}

} // namespace

std::string FindProgramFile(const std::string& ProgramFolder, const std::string& Name)
{
    const bool Folder = !Name.empty() && Name.back() == '/';
    const std::string Beside = ProgramFolder + Name;
    if (Exists(Beside))
        return Normalised(Beside, Folder);
    const std::string Installed = ProgramFolder + InstalledDataFolder + Name;
    if (Exists(Installed))
        return Normalised(Installed, Folder);
    return Normalised(Beside, Folder);
}

std::string DefinitionsFolder()
{
    return FindProgramFile(ProgramFolder(), "CFG/");
}

bool CanWriteFile(const std::string& FileName)
{
    std::error_code Error;
    if (fs::exists(FileName, Error)) {
        if (!fs::is_regular_file(FileName, Error))
            return false;
        // Appending nothing leaves the file as it was.
        std::FILE* File = std::fopen(FileName.c_str(), "ab");
        if (!File)
            return false;
        std::fclose(File);
        return true;
    }
    std::FILE* File = std::fopen(FileName.c_str(), "wbx");
    if (!File)
        return false;
    std::fclose(File);
    fs::remove(FileName, Error);
    return true;
}

std::string UserConfigFolder(const char* XdgConfigHome, const char* Home)
{
    if (XdgConfigHome && XdgConfigHome[0] == '/')
        return Normalised(std::string(XdgConfigHome) + "/velmora/", true);
    if (Home && Home[0] == '/')
        return Normalised(std::string(Home) + "/.config/velmora/", true);
    return {};
}

std::string ChooseStateFile(const std::string& ProgramFolder, const std::string& Definitions,
                            const std::string& UserConfig)
{
    const std::string Beside = Normalised(ProgramFolder + "CFG/", true);
    if (Normalised(Definitions, true) == Beside && CanWriteFile(Beside + "State.ini"))
        return Beside + "State.ini";
    if (UserConfig.empty())
        return {};
    return Normalised(UserConfig, true) + "State.ini";
}

std::string StateFileForProgram(const std::string& Definitions)
{
    const std::string UserConfig = UserConfigFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    const std::string State = ChooseStateFile(ProgramFolder(), Definitions, UserConfig);
    if (!State.empty() && State.rfind(UserConfig, 0) == 0 && !UserConfig.empty())
        MakeOwnFolders(fs::path(UserConfig).parent_path());
    return State;
}
