// The Linux port table that the help topics, the package's LIESMICH and the README tell the
// technician is the one the serial layer uses: each text must name the device of every port
// that has one without a link, and name no other.
#include "serial/comm/posix/PortTable.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using Table = std::map<int, std::string>; // port number -> device path

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text as a reader sees it: no tags, dashes as '-', one blank for any run of white space.
std::string plainText(std::string text) {
    text = std::regex_replace(text, std::regex("<[^>]*>|`"), "");
    text = std::regex_replace(text, std::regex("&ndash;|\u2013"), "-");
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

// Every "COMa-COMb = /dev/nameX-Y" (or "COMa = /dev/nameX", or a table row "| COMa-COMb |
// /dev/nameX-Y |") of a text, one entry per port.
Table tableOfText(const std::string& text, std::string& complaint) {
    static const std::regex range(
        "COM(\\d+)(?: ?- ?COM(\\d+))? ?[=|] ?(/dev/[A-Za-z]+)(\\d+)(?: ?- ?(\\d+))?");
    Table table;
    const std::string plain = plainText(text);
    for (std::sregex_iterator it(plain.begin(), plain.end(), range), end; it != end; ++it) {
        const std::smatch& m = *it;
        const int first = std::stoi(m[1]);
        const int last = m[2].matched ? std::stoi(m[2]) : first;
        const int device = std::stoi(m[4]);
        const int lastDevice = m[5].matched ? std::stoi(m[5]) : device;
        if (last - first != lastDevice - device) {
            complaint += " '" + m.str() + "' names unequal ranges;";
        }
        for (int n = first; n <= last; ++n) {
            table[n] = m[3].str() + std::to_string(device + n - first);
        }
    }
    return table;
}

// The serial layer's own table: every port number looked up with an empty port folder.
Table codeTable() {
    const std::filesystem::path empty =
        std::filesystem::temp_directory_path() / ("korvel-no-ports-" + std::to_string(getpid()));
    std::filesystem::create_directories(empty);
    const char* before = std::getenv("KORVEL_PORTS");
    const std::string saved = before ? before : "";
    setenv("KORVEL_PORTS", empty.c_str(), 1);
    Table table;
    for (int n = 1; n <= 99; ++n) {
        if (std::string device = comm::posix::devicePathOfPort(n); !device.empty()) {
            table[n] = device;
        }
    }
    before ? setenv("KORVEL_PORTS", saved.c_str(), 1) : unsetenv("KORVEL_PORTS");
    std::filesystem::remove(empty);
    return table;
}

} // namespace

TEST(PortTableTexts, HelpLiesmichAndReadmeNameTheSerialLayersTable) {
    const Table code = codeTable();
    ASSERT_EQ(code.at(3), "/dev/ttyACM0"); // the table is not empty, and the lookup worked
    const std::filesystem::path source = KORVEL_SOURCE_DIR;
    for (const char* text :
         {"help/HilfeKorvelTool/korvel_tool.htm", "help/HilfeDruckKorvel/Informationen.htm",
          "package/LIESMICH.txt", "README.md"}) {
        std::string complaint;
        EXPECT_EQ(tableOfText(readFile(source / text), complaint), code) << text;
        EXPECT_EQ(complaint, "") << text;
    }
}
