#pragma once

#include <QString>

namespace toolkit {

// The folder of the running program file, with a trailing separator. Data and settings files
// are looked for here, never in the current folder.
QString programFolder();

} // namespace toolkit
