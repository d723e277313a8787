#pragma once
// Where a program writes its own files (settings, protocol, recordings). Normally beside the
// program; a program folder that takes no files (under "C:\Program Files", a read-only mount)
// would otherwise make every write fail, so those files go to the user's own data folder instead:
//   Windows  %LOCALAPPDATA%\Korvel\<program>
//   Linux    $XDG_DATA_HOME/korvel/<program>   (default ~/.local/share/korvel/<program>)
//
// Whether a folder takes files is found out by creating and removing a temporary file in it:
// permission bits lie on Windows and on read-only mounts. The answer is looked for once per
// folder and run, not at every write. The user is told where the files go once per run, by
// whatever fits the program (a message box, a line in the protocol): fallbackNotice() hands the
// text out the first time it is asked after a fallback, and nothing afterwards.

#include <QString>
#include <functional>

namespace toolkit {

// The program folder (with a trailing separator) when a file can be created in it, else the
// user's data folder for `programName`, created, with a trailing separator. When the user's
// folder cannot be made either, the program folder: the writes then fail there and say so.
QString writableFolder(const QString& programFolder, const QString& programName);

// The user's data folder for `programName`, with a trailing separator; not created.
QString userDataFolder(const QString& programName);

// Whether a file can be created (and removed again) in `folder`; false for a missing folder.
bool folderTakesFiles(const QString& folder);

// The sentence that says where the files go instead, the first time it is asked for after
// writableFolder() fell back in this run; empty when it did not, or when it was handed out.
QString fallbackNotice();

// Replaces the probe and forgets every answer and the notice: for tests, where a root user may
// write anywhere. An empty function brings back the real probe.
void setFolderProbe(std::function<bool(const QString& folder)> probe);

} // namespace toolkit
