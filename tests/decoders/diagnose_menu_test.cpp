#include "common/ScriptedDialogs.h"
#include "servicetool/DiagnoseWindows.h"
#include "servicetool/MainForm.h"
#include "servicetool/TForm2.h"
#include "servicetool/TForm3.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

TEST(DiagnoseMenu, EntriesShowTheirWindowsOnceAndHidingKeepsThem) {
    testsupport::ScriptedDialogs dialogs;
    servicetool::TForm1 form1;
    servicetool::createDiagnoseWindows(form1);
    ASSERT_NE(form1.Form2, nullptr);
    ASSERT_NE(form1.Form3, nullptr);
    EXPECT_FALSE(form1.Form2->isVisible());
    EXPECT_FALSE(form1.Form3->isVisible());
    EXPECT_EQ(form1.Diagnose1->title(), QStringLiteral("Diagnose"));
    EXPECT_EQ(form1.Vestra1->text(), QStringLiteral("Vestra dyn. Daten 50"));
    EXPECT_EQ(form1.Melderverschmutzung1->text(), QStringLiteral("Melderverschmutzung"));

    servicetool::TForm2* form2 = form1.Form2;
    form1.Vestra1->trigger();
    form1.Vestra1->trigger();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(form1.Form2, form2);
    EXPECT_EQ(form1.findChildren<servicetool::TForm2*>().size(), 1);
    form1.Melderverschmutzung1->trigger();
    EXPECT_TRUE(form1.Form3->isVisible());
    form2->hide();
    EXPECT_FALSE(form2->isVisible());
    form1.Vestra1->trigger();
    EXPECT_TRUE(form2->isVisible());
    // The demo data lies beside the program, so no showing complained.
    EXPECT_TRUE(dialogs.messages().isEmpty());
}
