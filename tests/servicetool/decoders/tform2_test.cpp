#include "DecoderWindowTest.h"
#include "TestFolder.h"
#include "common/ScriptedDialogs.h"
#include "servicetool/decoders/TForm2.h"
#include "toolkit/HelpLauncher.h"
#include "toolkit/StringGrid.h"
#include "toolkit/WindowFront.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using servicetool::TForm2;
using namespace testsupport;

namespace {

const QString kMissing = QStringLiteral("Datendateien nicht gefunden, oder fehlerhaft.");

const std::string kTyp50 = "#1;Rauchmelder;\r\n"
                           "@ Eingang 1\r\n"
                           "50;1;7;Alarm\r\n"
                           "50;1;6;St\xf6rung\r\n"
                           "IN2;;\r\n"
                           "50;2;7;Zweiter Eingang\r\n"
                           "#2;W\xe4rmemelder;\r\n"
                           "50;1;7;Hitze\r\n";
const std::string kFehler = "01001;1;Kurzschluss\r\n"
                            "01001;2;Doppelt\r\n"
                            "\r\n"
                            "02000;1;Netz;aus\r\n";

struct Form2Test : DecoderWindowTest<TForm2> {
    void writeDemo() {
        folder.write(QStringLiteral("typ50.csv"), kTyp50);
        folder.write(QStringLiteral("Fehler.csv"), kFehler);
    }
};

} // namespace

TEST_F(Form2Test, LayoutOfTheWindow) {
    TForm2& form = window();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("  Korvel-Tool [Diagnose Vestra]"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("0"));
    EXPECT_TRUE(form.RadioButton1->isChecked());
    EXPECT_EQ(form.ComboBox1->lineEdit()->placeholderText(), QStringLiteral("Element"));
    EXPECT_EQ(form.ComboBox2->lineEdit()->placeholderText(), QStringLiteral("Fehlernummer"));
    EXPECT_EQ(form.StringGrid1->colCount(), 6);
    EXPECT_EQ(form.StringGrid1->rowCountWithHeader(), 9);
    const QStringList headers = {"   Bit",     "  x",        "      IN 1",
                                 "      IN 2", "      IN 3", "      IN 4"};
    const int widths[] = {50, 30, 260, 260, 260, 260};
    for (int col = 0; col < 6; ++col) {
        EXPECT_EQ(form.StringGrid1->cell(col, 0), headers[col]);
        EXPECT_EQ(form.StringGrid1->columnWidth(col), widths[col]);
    }
    EXPECT_EQ(form.StringGrid1->cell(0, 1), QStringLiteral(" Bit 7"));
    EXPECT_EQ(form.StringGrid1->cell(0, 8), QStringLiteral(" Bit 0"));
    form.show();
    EXPECT_EQ(form.size(), QSize(834, 481)); // the client area
}

TEST_F(Form2Test, ShowingListsEveryEntryOnceAndPicksUpChangedFiles) {
    writeDemo();
    TForm2& form = window();
    form.show();
    EXPECT_EQ(entries(form.ComboBox1), (QStringList{"Rauchmelder", QStringLiteral("Wärmemelder")}));
    EXPECT_EQ(entries(form.ComboBox2), (QStringList{"01001", "01001", "", "02000"}));
    form.hide();
    folder.write(QStringLiteral("typ50.csv"), kTyp50 + "#3;Handmelder;\r\n");
    form.show();
    EXPECT_EQ(entries(form.ComboBox1),
              (QStringList{"Rauchmelder", QStringLiteral("Wärmemelder"), "Handmelder"}));
    EXPECT_EQ(entries(form.ComboBox2).size(), 4);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    // Showing a window that is already shown runs nothing again.
    toolkit::bringToFront(&form);
    EXPECT_EQ(entries(form.ComboBox1).size(), 3);
}

TEST_F(Form2Test, PickingAnElementFillsTheMeaningColumns) {
    writeDemo();
    TForm2& form = window();
    form.show();
    pick(form.ComboBox1, QStringLiteral("Rauchmelder"));
    EXPECT_EQ(bitRows(*form.StringGrid1, 2),
              (QStringList{"Alarm", QStringLiteral("Störung"), "", "", "", "", "", ""}));
    EXPECT_EQ(form.StringGrid1->cell(3, 1), QStringLiteral("Zweiter Eingang"));
    pick(form.ComboBox1, QStringLiteral("Wärmemelder"));
    EXPECT_EQ(bitRows(*form.StringGrid1, 2), (QStringList{"Hitze", "", "", "", "", "", "", ""}));
    EXPECT_EQ(form.StringGrid1->cell(3, 1), QString());
    // Typing a text that is no entry empties the columns.
    form.ComboBox1->setEditText(QStringLiteral("Rauch"));
    EXPECT_EQ(bitRows(*form.StringGrid1, 2), QStringList(8, QString()));
    // The fixed columns stay as they were.
    EXPECT_EQ(form.StringGrid1->cell(0, 1), QStringLiteral(" Bit 7"));
}

TEST_F(Form2Test, FaultNumbersShowTheFirstMatchingLine) {
    writeDemo();
    TForm2& form = window();
    form.show();
    form.ComboBox2->setCurrentIndex(1); // the second "01001"
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("Kurzschluss"));
    form.ComboBox2->setCurrentIndex(3);
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("Netz;aus"));
    form.ComboBox2->setCurrentIndex(2); // the empty entry of an empty line
    EXPECT_EQ(form.Memo1->toPlainText(), QString());
    form.ComboBox2->setEditText(QStringLiteral("02000"));
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("Netz;aus"));
    form.ComboBox2->setEditText(QStringLiteral("7"));
    EXPECT_EQ(form.Memo1->toPlainText(), QString());
}

TEST_F(Form2Test, MissingOrBadFilesGiveTheMessageOncePerShowingAndDecodingStillWorks) {
    TForm2& form = window();
    form.show();
    EXPECT_EQ(dialogs.messages(), QStringList{kMissing});
    EXPECT_EQ(form.ComboBox1->count(), 0);
    form.Edit1->setText(QStringLiteral("ff"));
    form.BitBtn2Click();
    EXPECT_EQ(bitRows(*form.StringGrid1, 1), QStringList(8, QStringLiteral("   x")));

    writeDemo();
    form.hide();
    form.show();
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(form.ComboBox1->count(), 2);

    // A bad Fehler.csv: the lists keep their entries, typ50.csv is taken in all the same.
    folder.write(QStringLiteral("typ50.csv"), "#1;Neu;\r\n");
    folder.write(QStringLiteral("Fehler.csv"), std::string("01\0\x01", 4));
    form.hide();
    form.show();
    EXPECT_EQ(dialogs.messages(), (QStringList{kMissing, kMissing}));
    EXPECT_EQ(form.ComboBox1->count(), 2);
    EXPECT_EQ(form.ComboBox2->count(), 4);
    form.ComboBox1->setEditText(QStringLiteral("Rauchmelder"));
    EXPECT_EQ(form.StringGrid1->cell(2, 1), QString()); // the new typ50.csv has no such element

    // An enormous line or an oversized file is refused the same way.
    writeDemo();
    folder.write(QStringLiteral("typ50.csv"), "#1;" + std::string(100 * 1024, 'x') + ";\r\n");
    form.hide();
    form.show();
    EXPECT_EQ(dialogs.messages().size(), 3);
    EXPECT_EQ(form.ComboBox1->count(), 2);
}

TEST_F(Form2Test, EnterInTheDataFieldDecodesWithoutInserting) {
    TForm2& form = window();
    form.Edit1->setText(QStringLiteral("10"));
    form.Edit1->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(form.Edit1, &press);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("10"));
    EXPECT_EQ(bitRows(*form.StringGrid1, 1),
              (QStringList{"   -", "   -", "   -", "   x", "   -", "   -", "   -", "   -"}));
    form.RadioButton2->setChecked(true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
    QApplication::sendEvent(form.Edit1, &enter);
    EXPECT_EQ(bitRows(*form.StringGrid1, 1),
              (QStringList{"   -", "   -", "   -", "   -", "   x", "   -", "   x", "   -"}));
    QKeyEvent other(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QApplication::sendEvent(form.Edit1, &other);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("105"));
}

TEST_F(Form2Test, ClickSelectsTheFirstSixCharacters) {
    TForm2& form = window();
    form.show();
    form.Edit1->setText(QStringLiteral("12345678"));
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, form.Edit1->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, form.Edit1->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.Edit1, &press);
    QApplication::sendEvent(form.Edit1, &release);
    EXPECT_EQ(form.Edit1->selectedText(), QStringLiteral("123456"));
    form.Edit1->setText(QStringLiteral("ab"));
    form.Edit1Click();
    EXPECT_EQ(form.Edit1->selectedText(), QStringLiteral("ab"));
}

TEST_F(Form2Test, EscapeAndCloseOnlyHideAndKeepTheContent) {
    writeDemo();
    TForm2& form = window();
    form.show();
    pick(form.ComboBox1, QStringLiteral("Rauchmelder"));
    form.ComboBox2->setCurrentIndex(1);
    form.Edit1->setText(QStringLiteral("3"));
    form.BitBtn2Click();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_EQ(form.StringGrid1->cell(2, 1), QStringLiteral("Alarm"));
    EXPECT_EQ(form.StringGrid1->cell(1, 8), QStringLiteral("   x"));
    // The lists were rebuilt, so the boxes show their prompts again.
    EXPECT_EQ(form.ComboBox1->currentText(), QString());
    EXPECT_EQ(form.ComboBox1->lineEdit()->placeholderText(), QStringLiteral("Element"));
    EXPECT_EQ(form.ComboBox2->currentText(), QString());
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("Kurzschluss"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("3"));
    form.BitBtn1->click();
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_TRUE(form.close()); // the close box
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.StringGrid1->cell(2, 1), QStringLiteral("Alarm"));
}

TEST_F(Form2Test, HelpButtonOpensItsTopic) {
    EXPECT_EQ(helpAskedBy(window().BitBtn3),
              QStringList{"HilfeKorvelTool.chm::diagnosedaten_vestra.htm"});
}
