#pragma once
// Where both programs keep zerath.ini, ZerathKeys.db and generated key files,
// first rule that applies:
//   1. the folder the user named: zerath-cli's --home, else $ZERATH_HOME;
//   2. the executable's own folder, when it already holds ZerathKeys.db or
//      zerath.ini and may be written (a portable copy keeps its data beside it),
//      and is trusted: the folder and those files belong to the user or root,
//      are not writable by others nor by a group other than the user's own
//      private group, and the files are no links. Another user could otherwise
//      plant a key ring with a relabelled key;
//   3. $XDG_DATA_HOME/zerath, or ~/.local/share/zerath when XDG_DATA_HOME is
//      unset, empty or relative.
// An untrusted program folder, and a folder of rule 1 that others can write
// to, are reported through Warn (common/Warnings.h) naming the folder and why.
// Folders are returned with a trailing '/'.
#include <string>

namespace zerath {

// homeOption: zerath-cli's --home value (empty when not given).
// executableFolder: the folder of the running program.
// Reads ZERATH_HOME, XDG_DATA_HOME and HOME; looks at the folders, changes nothing.
std::string ResolveDataFolder(const std::string& homeOption, const std::string& executableFolder);

// Why a folder, or a file in it, cannot be trusted with the user's keys ("" when
// it can): e.g. "it can be written by other users". A missing path is trusted.
std::string UntrustedReason(const std::string& path, bool isFolder);

// Creates the folder with its missing parents, owner-only (0700). An existing
// folder is left as it is. Failures raise EFileError.
void CreateDataFolder(const std::string& folder);

// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();

// Whether the program may create and replace files in the folder. Tests run as
// root, where permissions cannot make a folder unwritable, so they install
// their own answer; nullptr restores the real check.
using FolderWritableFn = bool (*)(const std::string& folder);
bool FolderWritable(const std::string& folder);
void SetFolderWritableCheck(FolderWritableFn check);

} // namespace zerath
