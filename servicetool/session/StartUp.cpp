#include "servicetool/session/StartUp.h"

#include "servicetool/session/DiagnoseWindows.h"
#include "servicetool/session/TForm1.h"

#include "serial/Serial.h"
#include "serial/qt/DeviceChangeNotifier.h"
#include "toolkit/HelpLauncher.h"

namespace servicetool {

std::unique_ptr<TForm1> startKorvelTool() {
    // Before any window exists, so the main window chooses its port among COM1 to COM9.
    COMManager().ScanPorts(9);
    toolkit::setHelpFile(QStringLiteral("HilfeKorvelTool.chm"));
    auto form1 = std::make_unique<TForm1>();
    createDiagnoseWindows(*form1);
    new serialqt::DeviceChangeNotifier(form1.get());
    return form1;
}

} // namespace servicetool
