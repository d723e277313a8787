#pragma once
// Opens a topic of the program's HTML help. The help file is named without a folder
// ("HilfeKorvelTool.chm") and a topic is addressed by the file name followed directly by the
// topic, which itself begins with "::" ("HilfeKorvelTool.chm::korvel_tool.htm").
//
// Windows: HtmlHelpA of hhctrl.ocx (loaded on first use; without it nothing happens) with
// HH_DISPLAY_TOPIC, no owner window, no extra data. When the help file lies beside the program
// its folder is put before the name, so help opens whatever the current folder is; the viewer's
// windows are closed when the program ends.
// Linux: the topic as an HTML page from the folder "help" beside the program, looked for first
// as help/<help file without extension>/<topic> and then as help/<topic>, opened in the desktop's
// browser; when no such page exists but the .chm lies beside the program and a CHM viewer is
// installed, the viewer opens the .chm. When neither exists nothing happens and nothing is said,
// as with a missing topic in the help viewer.

#include <QString>
#include <functional>

namespace toolkit {

// The application's help file name, given without a folder. Empty until the program sets it.
void setHelpFile(const QString& fileName);
QString helpFile();

// Opens helpFile() followed by the topic ("::korvel_tool.htm").
void showHelpTopic(const QString& topic);
// Opens "<file>::<topic>" as one text, the form the HTML help viewer takes.
void openHelp(const QString& fileAndTopic);

// Tests replace the platform opener to see which topic was asked for. Receives the text passed
// to openHelp. An empty function restores the platform opener. Returns the previous opener.
using HelpOpener = std::function<void(const QString& fileAndTopic)>;
HelpOpener setHelpOpener(HelpOpener opener);

// Where the Linux opener looks for the HTML page of a topic, in order (full paths).
QStringList helpPageCandidates(const QString& fileAndTopic, const QString& programFolder);

} // namespace toolkit
