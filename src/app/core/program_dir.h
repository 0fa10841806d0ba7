// Where the program keeps its own files (PanelSettings.cfg and the default
// Parameter.ini): the folder of the executable when that folder is writable
// (a build tree, a portable copy), otherwise the per-user folder
// $XDG_CONFIG_HOME/lumiquad (~/.config/lumiquad when XDG_CONFIG_HOME is unset
// or not absolute), as for a program installed under /usr. The user-interface
// resource and the logo stay beside the executable in either case.
#pragma once

#include <string>

namespace lq {

// The rule itself. `xdgConfigHome` and `home` may be null (unset).
std::string ChooseProgramDir(const std::string& executableDir, bool executableDirWritable,
                             const char* xdgConfigHome, const char* home);

// The rule applied to this process: the folder's writability for the
// effective user, the environment, and the password database when HOME is unset.
std::string ProgramDir(const std::string& executableDir);

// Creates `dir` and any missing parents (mode 0700, as the per-user folders
// are private); true when it exists as a folder afterwards.
bool MakeProgramDir(const std::string& dir);

}  // namespace lq
