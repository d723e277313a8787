#include "servicetool/session/DiagnoseWindows.h"

#include "servicetool/decoders/TForm2.h"
#include "servicetool/decoders/TForm3.h"
#include "servicetool/faultviewer/TForm4.h"
#include "servicetool/session/TForm1.h"

namespace servicetool {

void createDiagnoseWindows(TForm1& mainWindow) {
    mainWindow.Form2 = new TForm2(&mainWindow);
    mainWindow.Form3 = new TForm3(&mainWindow);
    // The fault-description window reads its document now, once.
    mainWindow.Form4 = new TForm4(&mainWindow);
}

} // namespace servicetool
