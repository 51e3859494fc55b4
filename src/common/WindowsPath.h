#pragma once
// Windows path rules on ANSI byte strings. The callers differ in which characters end a folder
// part and in what an empty path becomes; each such difference is a name of its own here.
#include <string>
#include <string_view>

namespace quarrix {

// Appends a backslash unless there is one: an empty path becomes "\".
std::string WithTrailingBackslash(std::string path);
// Appends a backslash unless there is one; an empty path stays empty.
std::string WithTrailingBackslashUnlessEmpty(std::string path);
// Drops one trailing backslash.
std::string WithoutTrailingBackslash(std::string path);
// Drops every trailing backslash.
std::string WithoutTrailingBackslashes(std::string path);
// Drops trailing backslashes but keeps the first character: "\" stays "\".
std::string WithoutTrailingBackslashesNeverEmpty(std::string path);
// Drops trailing backslashes and slashes but keeps the first character.
std::string WithoutTrailingSeparatorsNeverEmpty(std::string path);

// The part after the last separator of the named set; the whole path when there is none.
std::string FileNameAfterBackslash(std::string_view path);
std::string FileNameAfterBackslashOrColon(std::string_view path);
std::string FileNameAfterSlashOrBackslash(std::string_view path);
std::string FileNameAfterAnySeparator(std::string_view path);  // backslash, slash or colon

// Up to and including the last separator of the named set; empty when there is none.
std::string FolderUpToBackslash(std::string_view path);
std::string FolderUpToBackslashOrColon(std::string_view path);
// Up to, not including, the last backslash; empty when there is none.
std::string FolderBeforeBackslash(std::string_view path);
// The folder part (up to the last backslash or colon) without its trailing backslash, except
// where that backslash is a root's: "C:\", a leading "\" or the second of "\\".
std::string FolderWithoutTrailingBackslash(std::string_view path);

// A bare file name cut at its last dot, wherever that dot is.
std::string FileNameWithoutExtension(std::string_view fileName);
// The extension, dot included, of the file name after the last backslash or colon.
std::string ExtensionOf(std::string_view path);

// "C:" of a drive path, "\\server\share" of a network path (as much of it as is given);
// empty for anything else.
std::string DriveOf(std::string_view path);

// folder and relative with one backslash between, unless folder already ends with a backslash
// or a slash; an empty folder adds nothing.
std::string JoinPath(std::string_view folder, std::string_view relative);

}  // namespace quarrix
