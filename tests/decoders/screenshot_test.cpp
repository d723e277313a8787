// Renders both decoder windows with the demo data beside the program into PNG files, for a
// person to look at. Runs only when KORVEL_SHOTS_DIR names the folder for the pictures.
#include "common/ScriptedDialogs.h"
#include "servicetool/TForm2.h"
#include "servicetool/TForm3.h"
#include "toolkit/StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

void pick(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
    QApplication::processEvents();
}

} // namespace

TEST(Screenshots, DecoderWindowsWithDemoData) {
    const QString dir = qEnvironmentVariable("KORVEL_SHOTS_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "KORVEL_SHOTS_DIR not set";
    }
    testsupport::ScriptedDialogs dialogs;
    servicetool::TForm2 form2;
    form2.show();
    ASSERT_TRUE(dialogs.messages().isEmpty()) << "demo data missing beside the program";
    pick(form2.ComboBox1, 2);
    pick(form2.ComboBox2, 3);
    form2.Edit1->setText(QStringLiteral("a5"));
    form2.BitBtn2Click();
    QApplication::processEvents();
    EXPECT_TRUE(form2.grab().save(QDir(dir).filePath(QStringLiteral("tform2.png"))));
    // Scrolled to the last input, the bit labels and marks stay in view.
    form2.StringGrid1->horizontalScrollBar()->setValue(
        form2.StringGrid1->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_TRUE(form2.grab().save(QDir(dir).filePath(QStringLiteral("tform2_scrolled.png"))));

    servicetool::TForm3 form3;
    form3.show();
    pick(form3.ComboBox1, 0);
    form3.Edit1->setText(QStringLiteral("12"));
    form3.BitBtn2Click();
    QApplication::processEvents();
    EXPECT_TRUE(form3.grab().save(QDir(dir).filePath(QStringLiteral("tform3.png"))));
}
