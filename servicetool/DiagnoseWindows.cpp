#include "DiagnoseWindows.h"

#include "MainForm.h"
#include "TForm2.h"
#include "TForm3.h"

namespace servicetool {

void createDiagnoseWindows(TForm1& mainWindow) {
    mainWindow.Form2 = new TForm2(&mainWindow);
    mainWindow.Form3 = new TForm3(&mainWindow);
}

} // namespace servicetool
