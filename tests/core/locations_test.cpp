// Where the programs find their files and keep their state: the build tree's
// layout and an installed one, and where the state file goes when the
// definitions folder cannot be written.
#include "core/Locations.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh folder, removed with everything in it at the end.
class TTempTree {
public:
    TTempTree()
    {
        std::string Pattern = (fs::temp_directory_path() / "velmora-locations-XXXXXX").string();
        Root = mkdtemp(Pattern.data());
        // Other users must reach the folders below (the non-root check).
        fs::permissions(Root, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }
    ~TTempTree()
    {
        std::error_code Error;
        for (const auto& Entry : fs::recursive_directory_iterator(Root, Error))
            fs::permissions(Entry.path(), fs::perms::owner_all, fs::perm_options::add, Error);
        fs::remove_all(Root, Error);
    }
    // Makes the folder Root/Relative and gives its path ending in '/'.
    std::string Folder(const std::string& Relative) const
    {
        fs::create_directories(Root / Relative);
        return (Root / Relative).string() + "/";
    }
    fs::path Root;
};

void WriteFile(const fs::path& Name, const std::string& Text)
{
    std::ofstream(Name) << Text;
}

std::string ReadFile(const fs::path& Name)
{
    std::ifstream In(Name);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

// ChooseStateFile as a user other than root would see it: root writes into
// folders whatever their permission bits, so as root the choice is made in a
// child process that has given up root. 1 when the child chose Expected.
bool ChoiceOfOrdinaryUserIs(const std::string& ProgramFolder, const std::string& Definitions,
                            const std::string& UserConfig, const std::string& Expected)
{
    if (geteuid() != 0)
        return ChooseStateFile(ProgramFolder, Definitions, UserConfig) == Expected;
    const pid_t Child = fork();
    if (Child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(ChooseStateFile(ProgramFolder, Definitions, UserConfig) == Expected ? 0 : 1);
    }
    int Status = 0;
    waitpid(Child, &Status, 0);
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

TEST(Locations, AFileBesideTheProgramComesBeforeTheInstalledOne)
{
    TTempTree Tree;
    const std::string Bin = Tree.Folder("usr/bin");
    const std::string Share = Tree.Folder("usr/share/velmora/CFG");
    Tree.Folder("usr/share/velmora/help");
    WriteFile(Tree.Root / "usr/share/velmora/help/velmora-help.html", "installed");

    // Installed only: found through ../share/velmora, the path made plain.
    EXPECT_EQ(FindProgramFile(Bin, "CFG/"), Share);
    EXPECT_EQ(FindProgramFile(Bin, "help/velmora-help.html"),
              (Tree.Root / "usr/share/velmora/help/velmora-help.html").string());

    // A copy beside the program (the build tree's layout) wins.
    const std::string Beside = Tree.Folder("usr/bin/CFG");
    EXPECT_EQ(FindProgramFile(Bin, "CFG/"), Beside);

    // Neither: the place looked at first, for the error message.
    EXPECT_EQ(FindProgramFile(Bin, "samples/none.ss7"), Bin + "samples/none.ss7");
}

TEST(Locations, UserConfigFolderFollowsTheXdgRules)
{
    EXPECT_EQ(UserConfigFolder("/home/a/cfg", "/home/a"), "/home/a/cfg/velmora/");
    EXPECT_EQ(UserConfigFolder("/home/a/cfg/", "/home/a"), "/home/a/cfg/velmora/");
    // A relative or empty XDG_CONFIG_HOME is ignored.
    EXPECT_EQ(UserConfigFolder("cfg", "/home/a"), "/home/a/.config/velmora/");
    EXPECT_EQ(UserConfigFolder("", "/home/a"), "/home/a/.config/velmora/");
    EXPECT_EQ(UserConfigFolder(nullptr, "/home/a"), "/home/a/.config/velmora/");
    EXPECT_EQ(UserConfigFolder(nullptr, nullptr), "");
    EXPECT_EQ(UserConfigFolder(nullptr, "relative"), "");
}

TEST(Locations, TheBuildTreeKeepsItsStateBesideTheDefinitions)
{
    TTempTree Tree;
    const std::string Bin = Tree.Folder("build/bin");
    const std::string Cfg = Tree.Folder("build/bin/CFG");
    const std::string User = Tree.Root.string() + "/home/.config/velmora/";

    EXPECT_EQ(ChooseStateFile(Bin, Cfg, User), Cfg + "State.ini");
    // Deciding left no file behind...
    EXPECT_FALSE(fs::exists(Cfg + "State.ini"));
    // ...and an existing state file is not touched by it.
    WriteFile(Cfg + "State.ini", "[CaptureForm]\nlvMsg_Width=300\n");
    EXPECT_EQ(ChooseStateFile(Bin, Cfg, User), Cfg + "State.ini");
    EXPECT_EQ(ReadFile(Cfg + "State.ini"), "[CaptureForm]\nlvMsg_Width=300\n");
}

TEST(Locations, InstalledDefinitionsKeepTheStateInTheUsersFolder)
{
    // Even where the installed folder can be written (as root), the state
    // never goes among the package's files.
    TTempTree Tree;
    const std::string Bin = Tree.Folder("usr/bin");
    const std::string Cfg = Tree.Folder("usr/share/velmora/CFG");
    const std::string User = Tree.Root.string() + "/home/.config/velmora/";
    EXPECT_EQ(ChooseStateFile(Bin, Cfg, User), User + "State.ini");
    EXPECT_EQ(ChooseStateFile(Bin, Bin + "../share/velmora/CFG/", User), User + "State.ini");
    // Definitions named elsewhere (velmora-dump --cfg) are not the program's.
    EXPECT_EQ(ChooseStateFile(Bin, Tree.Folder("elsewhere/CFG"), User), User + "State.ini");
}

TEST(Locations, AReadOnlyDefinitionsFolderSendsTheStateToTheUsersFolder)
{
    TTempTree Tree;
    const std::string Bin = Tree.Folder("opt/bin");
    const std::string Cfg = Tree.Folder("opt/bin/CFG");
    const std::string User = "/nonexistent/velmora/";
    chmod(Cfg.c_str(), 0555);
    EXPECT_TRUE(ChoiceOfOrdinaryUserIs(Bin, Cfg, User, User + "State.ini"));

    // A state file that cannot be rewritten counts as well: the folder is
    // writable but State.ini is read-only.
    chmod(Cfg.c_str(), 0777);
    WriteFile(Cfg + "State.ini", "");
    chmod((Cfg + "State.ini").c_str(), 0444);
    EXPECT_TRUE(ChoiceOfOrdinaryUserIs(Bin, Cfg, User, User + "State.ini"));

    // With no usable home either, no state is kept.
    EXPECT_TRUE(ChoiceOfOrdinaryUserIs(Bin, Cfg, "", ""));
}

TEST(Locations, AStateIniThatIsNoFileCannotBeWritten)
{
    // Holds for root too: no permission bits involved.
    TTempTree Tree;
    const std::string Bin = Tree.Folder("build/bin");
    const std::string Cfg = Tree.Folder("build/bin/CFG");
    Tree.Folder("build/bin/CFG/State.ini");
    EXPECT_FALSE(CanWriteFile(Cfg + "State.ini"));
    EXPECT_EQ(ChooseStateFile(Bin, Cfg, "/home/x/.config/velmora/"), "/home/x/.config/velmora/State.ini");
    EXPECT_FALSE(CanWriteFile(Tree.Root.string() + "/missing/State.ini"));
}

TEST(Locations, TheUsersFolderIsCreatedForTheOwnerOnly)
{
    TTempTree Tree;
    const std::string Home = Tree.Folder("home");
    const char* OldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string SavedXdg = OldXdg ? OldXdg : "";
    setenv("XDG_CONFIG_HOME", (Home + "config").c_str(), 1);
    const std::string State = StateFileForProgram(Tree.Folder("usr/share/velmora/CFG"));
    if (OldXdg)
        setenv("XDG_CONFIG_HOME", SavedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(State, Home + "config/velmora/State.ini");
    ASSERT_TRUE(fs::is_directory(Home + "config/velmora"));
    EXPECT_EQ(fs::status(Home + "config/velmora").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(Home + "config").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(State));
}

} // namespace
