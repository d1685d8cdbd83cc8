// Locating the definition files: the description-file name pattern of
// Parameters.ini and the mapping of the Windows-style paths the definition
// files are written with onto the local file system.
#pragma once

#include <string>
#include <string_view>

// Pattern with every "%s" replaced by Name and every "%%" by "%". The
// pattern may hold at most one "%s" (or "%S"); a second one raises
// EFormatError "No argument for format '%s'", any other directive (a lone
// "%" at the end included) "Format '%s' invalid or incompatible with
// argument", both with the pattern in place of %s.
std::string ExpandFileNamePattern(std::string_view Pattern, std::string_view Name);

// The path with "\" and "/" both taken as separators, written with the local
// one.
std::string LocalPath(std::string_view Path);

// The folder part of a file path, with its trailing separator (empty when
// the path names no folder).
std::string FolderOf(std::string_view Path);

// The path of an existing file that matches Path, letter case of each path
// element disregarded where the exact spelling does not exist (the
// definition files come from a file system that ignores letter case). Path
// itself when nothing matches.
std::string FindDefinitionFile(const std::string& Path);
