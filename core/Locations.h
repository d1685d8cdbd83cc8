// Where the programs find their files and keep their state.
//
// In the build tree every file sits beside the executable: bin/CFG/ and
// bin/help/. An installed copy keeps them in the data folder beside bin/:
// /usr/share/velmora/CFG/ for /usr/bin/velmora, and the same relative to any
// other prefix the programs are installed or moved to. A file is looked up
// beside the program first, then in that data folder.
//
// The state file lives beside the definitions while they are the folder
// beside the program and it can be written there (the build tree); otherwise
// (installed definitions, a read-only folder) in the user's configuration
// folder, $XDG_CONFIG_HOME/velmora/State.ini, by default
// ~/.config/velmora/State.ini.
#pragma once

#include <string>

// The data folder of an installed program, relative to the program folder.
inline constexpr const char* InstalledDataFolder = "../share/velmora/";

// The first of ProgramFolder + Name and ProgramFolder + InstalledDataFolder +
// Name that exists, lexically normalised; ProgramFolder + Name when neither
// does, so that a complaint about the missing file names the first place
// looked at. A Name that ends in '/' names a folder and keeps its '/'.
std::string FindProgramFile(const std::string& ProgramFolder, const std::string& Name);

// The definitions folder (CFG/) of the running program, ending in '/'.
std::string DefinitionsFolder();

// Whether FileName can be written: an existing file is opened for appending,
// a missing one created and removed again. Trying is the only honest test:
// permission bits say nothing about a read-only file system, and nothing at
// all to root.
bool CanWriteFile(const std::string& FileName);

// The user's configuration folder for Velmora, ending in '/':
// XdgConfigHome + "/velmora/" when that is an absolute path (a relative or
// empty one is ignored, as the XDG base directory rules say), else Home +
// "/.config/velmora/"; empty when neither is usable. Either may be null.
std::string UserConfigFolder(const char* XdgConfigHome, const char* Home);

// The state file: Definitions + "State.ini" when Definitions is the CFG/
// folder beside the program and that file can be written there; else
// UserConfig + "State.ini" (empty when UserConfig is empty: no state kept).
std::string ChooseStateFile(const std::string& ProgramFolder, const std::string& Definitions,
                            const std::string& UserConfig);

// The state file of the running program, for the definitions it loaded.
// When it lies in the user's configuration folder, that folder is created
// (owner-only, as the XDG rules ask) if it is missing.
std::string StateFileForProgram(const std::string& Definitions);
