#include "common/PortFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

PortFolder::PortFolder(int hidden) {
    if (const char* old = std::getenv("KORVEL_PORTS")) {
        m_hadPrevious = true;
        m_previous = old;
    }
    std::string pattern = (fs::temp_directory_path() / "korvel-ports-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a port folder");
    }
    m_path = pattern;
    setenv("KORVEL_PORTS", m_path.c_str(), 1);
    for (int n = 1; n <= hidden; ++n) {
        hide(n);
    }
}

PortFolder::~PortFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
    if (m_hadPrevious) {
        setenv("KORVEL_PORTS", m_previous.c_str(), 1);
    } else {
        unsetenv("KORVEL_PORTS");
    }
}

std::string PortFolder::linkPath(int number) const {
    return m_path + "/COM" + std::to_string(number);
}

void PortFolder::hide(int number) {
    std::error_code ec;
    fs::remove(linkPath(number), ec);
    fs::create_symlink(m_path + "/absent-device", linkPath(number));
}

} // namespace testsupport
