#include "DiagnoseWindows.h"

#include "MainForm.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"

namespace servicetool {

void createDiagnoseWindows(TForm1& mainWindow) {
    mainWindow.Form2 = new TForm2(&mainWindow);
    mainWindow.Form3 = new TForm3(&mainWindow);
    // The fault-description window reads its document now, once.
    mainWindow.Form4 = new TForm4(&mainWindow);
}

} // namespace servicetool
