#include "DecoderWindowTest.h"
#include "TestFolder.h"
#include "common/ScriptedDialogs.h"
#include "servicetool/decoders/TForm3.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/StringGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using servicetool::TForm3;
using namespace testsupport;

namespace {

// A detector file whose line n reads "<tag>n", cut to the given number of lines.
std::string detectorFile(const std::string& tag, int lineCount = 60) {
    std::string bytes;
    for (int i = 0; i < lineCount; ++i) {
        bytes += tag + std::to_string(i) + "\r\n";
    }
    return bytes;
}

using Form3Test = DecoderWindowTest<TForm3>;

} // namespace

TEST_F(Form3Test, LayoutOfTheWindow) {
    TForm3& form = window();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("  Korvel-Tool [Diagnose Melderverschmutzung]"));
    EXPECT_EQ(form.ComboBox1->count(), 0);
    EXPECT_EQ(form.ComboBox1->lineEdit()->placeholderText(), QStringLiteral("Element"));
    auto& grid = *form.StringGrid1;
    EXPECT_EQ(grid.colCount(), 4);
    EXPECT_EQ(grid.rowCountWithHeader(), 21);
    EXPECT_EQ(grid.cell(3, 0), QStringLiteral("   Störungsmeldung bei Überschreitung"));
    EXPECT_EQ(grid.cell(0, 1), QStringLiteral(" Opt. Sensor"));
    EXPECT_EQ(grid.cell(1, 2), QStringLiteral(" Inbetriebnahme max."));
    EXPECT_EQ(grid.cell(0, 17), QStringLiteral(" Verschmutzung"));
    EXPECT_EQ(grid.cell(1, 20), QStringLiteral(" Max. Messwert"));
    const int widths[] = {100, 260, 100, 260};
    for (int col = 0; col < 4; ++col) {
        EXPECT_EQ(grid.columnWidth(col), widths[col]);
    }
    EXPECT_EQ(form.StringGrid2->cell(0, 0), QStringLiteral("  Bit"));
    EXPECT_EQ(form.StringGrid2->cell(2, 0), QStringLiteral("  Bedeutung"));
    EXPECT_EQ(form.StringGrid2->cell(0, 8), QStringLiteral(" Bit 0"));
    // The client area; the layout must not push it taller.
    form.show();
    EXPECT_EQ(form.size(), QSize(834, 639));
    EXPECT_LE(form.minimumSizeHint().height(), 639);
}

TEST_F(Form3Test, PickFillsEveryValueCellFromItsLine) {
    folder.write(QStringLiteral("Erster.dat"), detectorFile("a"));
    folder.write(QStringLiteral("Kurz.dat"), detectorFile("k", 30));
    TForm3& form = window();
    EXPECT_EQ(entries(form.ComboBox1), (QStringList{"Erster", "Kurz"}));
    pick(form.ComboBox1, QStringLiteral("Erster"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("a6"));
    EXPECT_EQ(form.StringGrid1->cell(3, 3), QStringLiteral("a46"));
    EXPECT_EQ(form.StringGrid1->cell(2, 20), QStringLiteral("a28"));
    EXPECT_EQ(form.StringGrid1->cell(3, 19), QStringLiteral("a57"));
    EXPECT_EQ(form.StringGrid1->cell(3, 14), QString()); // fed by no line
    EXPECT_EQ(form.StringGrid2->cell(2, 1), QStringLiteral("a37"));
    EXPECT_EQ(form.StringGrid2->cell(2, 8), QStringLiteral("a30"));
    // The second, shorter file replaces every value cell; its missing lines become empty.
    pick(form.ComboBox1, QStringLiteral("Kurz"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("k6"));
    EXPECT_EQ(form.StringGrid1->cell(2, 20), QStringLiteral("k28"));
    EXPECT_EQ(form.StringGrid1->cell(3, 3), QString());
    EXPECT_EQ(form.StringGrid1->cell(3, 19), QString());
    EXPECT_EQ(form.StringGrid2->cell(2, 8), QString()); // line 30 missing
    EXPECT_EQ(form.StringGrid1->cell(1, 2), QStringLiteral(" Inbetriebnahme max."));
}

TEST_F(Form3Test, NamesExtendingOneAnotherShowTheOneSortingLast) {
    folder.write(QStringLiteral("MS40.dat"), detectorFile("kurz"));
    folder.write(QStringLiteral("ms40k.dat"), detectorFile("lang"));
    folder.write(QStringLiteral("MS40X.dat"), detectorFile("gross"));
    folder.write(QStringLiteral(".dat"), detectorFile("versteckt"));
    TForm3& form = window();
    EXPECT_EQ(entries(form.ComboBox1), (QStringList{"MS40", "ms40k", "MS40X"}));
    // "MS40" begins both "MS40.dat" and "MS40X.dat" (but not "ms40k.dat"): both load in list
    // order and the one sorting last stays.
    pick(form.ComboBox1, QStringLiteral("MS40"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("gross6"));
    pick(form.ComboBox1, QStringLiteral("ms40k"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("lang6"));
    pick(form.ComboBox1, QStringLiteral("MS40X"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("gross6"));
}

TEST_F(Form3Test, FilesListedUnderTheSameEntryLoadInTurnAndTheLastStays) {
    folder.write(QStringLiteral("MS40.dat"), detectorFile("eins"));
    folder.write(QStringLiteral("MS40.neu.dat"), detectorFile("zwei"));
    TForm3& form = window();
    EXPECT_EQ(entries(form.ComboBox1), (QStringList{"MS40", "MS40"}));
    pick(form.ComboBox1, QStringLiteral("MS40"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("zwei6"));
}

TEST_F(Form3Test, VanishedFileGivesTheOpenErrorAndKeepsTheGrids) {
    folder.write(QStringLiteral("A.dat"), detectorFile("a"));
    folder.write(QStringLiteral("B.dat"), detectorFile("b"));
    folder.write(QStringLiteral("C.dat"), std::string("1\r\n\0\r\n", 6));
    TForm3& form = window();
    pick(form.ComboBox1, QStringLiteral("A"));
    folder.remove(QStringLiteral("B.dat"));
    folder.write(QStringLiteral("A.dat"), detectorFile("neu"));
    pick(form.ComboBox1, QStringLiteral("B"));
    ASSERT_EQ(dialogs.messages(), QStringList{QStringLiteral("Datei %1 kann nicht geöffnet werden.")
                                                  .arg(folder.file(QStringLiteral("B.dat")))});
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("a6"));
    // A file that is not text is refused the same way.
    pick(form.ComboBox1, QStringLiteral("C"));
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("a6"));
    // Each pick reads the file afresh, the same entry again included.
    pick(form.ComboBox1, QStringLiteral("A"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("neu6"));
    folder.write(QStringLiteral("A.dat"), detectorFile("wieder"));
    pick(form.ComboBox1, QStringLiteral("A"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("wieder6"));
    EXPECT_EQ(dialogs.messages().size(), 2);
}

TEST_F(Form3Test, TypedTextThatIsNoEntryShowsThePreviousFileAgain) {
    folder.write(QStringLiteral("A.dat"), detectorFile("a"));
    TForm3& form = window();
    pick(form.ComboBox1, QStringLiteral("A"));
    form.ComboBox1->setEditText(QStringLiteral("X"));
    EXPECT_EQ(form.StringGrid1->cell(2, 2), QStringLiteral("a6"));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST_F(Form3Test, FaultCodeMarksAndTheirMeanings) {
    folder.write(QStringLiteral("A.dat"), detectorFile("a"));
    TForm3& form = window();
    pick(form.ComboBox1, QStringLiteral("A"));
    form.Edit1->setText(QStringLiteral("1"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(form.Edit1, &enter);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1"));
    EXPECT_EQ(form.StringGrid2->cell(1, 8), QStringLiteral("   x"));
    EXPECT_EQ(form.StringGrid2->cell(1, 7), QStringLiteral("   -"));
    EXPECT_EQ(form.StringGrid2->cell(2, 8), QStringLiteral("a30"));
    form.Edit1->setText(QStringLiteral("ff"));
    form.BitBtn2Click();
    EXPECT_EQ(bitRows(*form.StringGrid2, 1), QStringList(8, QStringLiteral("   x")));
    // A new pick leaves the marks alone.
    pick(form.ComboBox1, QStringLiteral("A"));
    EXPECT_EQ(form.StringGrid2->cell(1, 1), QStringLiteral("   x"));
}

TEST_F(Form3Test, HelpButtonOpensItsTopic) {
    EXPECT_EQ(helpAskedBy(window().BitBtn3),
              QStringList{"HilfeKorvelTool.chm::betriebsdaten_fumeo.htm"});
}
