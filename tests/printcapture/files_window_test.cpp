// The capture window's file commands and the customer window, with scripted dialogs: save and
// reopen, the customer window's fields, notes and description files, and the export through the
// real customer window shown modally.
#include "common/RtfReadBack.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/TForm1.h"
#include "printcapture/TForm3.h"
#include "toolkit/LineView.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

using printcapture::TForm1;
using printcapture::TForm3;
using CaptureFileCommands = capturetest::CaptureWindowTest;
using CustomerWindow = capturetest::CaptureWindowTest;
using capturetest::fileBytes;
using capturetest::receiveLine;
using capturetest::styles;

namespace {

const std::string kMarker = "0****  Start Aufzeichnung 14:05:09";

} // namespace

TEST_F(CaptureFileCommands, SaveThenOpenGivesTheLinesBackStyledByTheFileRule) {
    TForm1& f = window();
    receiveLine(f, "  17 St\x94rung");
    receiveLine(f, "x"); // one character: keeps the regular style live
    f.Stop1Click();      // the end marker
    receiveLine(f, "Melder");
    ASSERT_EQ(styles(f), "rrib");
    ASSERT_TRUE(f.hasUnsavedLines());

    // An existing file is replaced without a question.
    ASSERT_TRUE(toolkit::writeFileAtomic(path("cap.txt"), "old content\r\n"));
    dialogs().fileAnswers = {path("cap.txt")};
    f.Speichern2Click();
    const toolkit::FileDialogOptions& save = dialogs().fileOptions.at(0);
    EXPECT_EQ(save.title, QStringLiteral("Anzeige speichern unter :"));
    EXPECT_EQ(save.filter, QStringLiteral("Textdatei  [*.txt]|*.txt"));
    EXPECT_EQ(save.defaultExtension, QStringLiteral("txt"));
    EXPECT_EQ(save.initialDir, f.AVerz + QStringLiteral("Kunden"));
    EXPECT_FALSE(save.confirmOverwrite);
    const std::vector<std::string> lines = f.displayLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(fileBytes(path("cap.txt")), "  17 St\xF6rung\r\nx\r\n" + lines[2] + "\r\nMelder\r\n");
    EXPECT_FALSE(f.hasUnsavedLines());
    EXPECT_EQ(dialogs().shown.size(), 1u); // no question, no message

    // A file that cannot be opened leaves the display as it was.
    dialogs().fileAnswers = {path("missing.txt")};
    f.ffnen1Click();
    EXPECT_EQ(dialogs().messages(),
              QStringList{QStringLiteral("Datei %1 kann nicht geöffnet werden")
                              .arg(QDir::toNativeSeparators(path("missing.txt")))});
    EXPECT_EQ(f.displayLines(), lines);

    receiveLine(f, "after the save");
    dialogs().fileAnswers = {path("cap.txt")};
    f.ffnen1Click();
    EXPECT_EQ(dialogs().fileOptions.back().title, QStringLiteral("Mitschnittdatei laden:"));
    EXPECT_EQ(f.displayLines(), lines);
    EXPECT_EQ(styles(f), "rbib"); // the one-character line is bold now

    // An empty line is bold after opening.
    ASSERT_TRUE(toolkit::writeFileAtomic(path("e.txt"), "\r\n 1\r\n\r\n"));
    dialogs().fileAnswers = {path("e.txt")};
    f.ffnen1Click();
    EXPECT_EQ(styles(f), "brb");

    // A file of one empty line is one line, and saving it again keeps it.
    ASSERT_TRUE(toolkit::writeFileAtomic(path("one.txt"), "\r\n"));
    dialogs().fileAnswers = {path("one.txt"), path("again.txt")};
    f.ffnen1Click();
    EXPECT_EQ(f.RichEdit1->lineCount(), 1);
    f.Speichern2Click();
    EXPECT_EQ(fileBytes(path("again.txt")), "\r\n");
}

TEST_F(CustomerWindow, LayoutGroupsAndTheCheckBoxShowingTheInnerGroup) {
    TForm1& f = window();
    f.createCustomerWindow();
    TForm3& w = *f.Form3;
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.size(), QSize(688, 430));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    // Bold group captions, regular controls inside them.
    EXPECT_TRUE(w.GroupBox1->font().bold());
    EXPECT_TRUE(w.GroupBox2->font().bold());
    EXPECT_FALSE(w.Edit1->font().bold());
    EXPECT_FALSE(w.CheckBox1->font().bold());
    EXPECT_FALSE(w.CheckBox1->isChecked());

    f.PDF1Click(); // shown from the menu: not modal, inner group hidden while unticked
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_FALSE(w.GroupBox2->isVisible());
    w.CheckBox1->click();
    EXPECT_TRUE(w.GroupBox2->isVisible());

    // Unticking hides the values; "ok" still builds the header from them.
    w.Edit1->setText(QStringLiteral("Kunde Ä"));
    w.CheckBox1->click();
    EXPECT_FALSE(w.GroupBox2->isVisible());
    w.BitBtn3Click();
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(f.ExportDocument1.lines().size(), 13u);
    EXPECT_EQ(f.ExportDocument1.lines()[1].text, "Kunde \xC4");

    // "Datum einfügen" replaces whatever the field held.
    w.Edit3->setText(QStringLiteral("irgendwann"));
    w.BitBtn2Click();
    EXPECT_EQ(w.Edit3->text(), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
}

TEST_F(CustomerWindow, OkKeepsFiveShownNotesLinesAWrappedLineCountingAsSeveral) {
    TForm1& f = window();
    f.createCustomerWindow();
    TForm3& w = *f.Form3;
    w.setUseCustomerInfo(true);
    w.show();
    QApplication::processEvents();

    w.Memo1->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7"));
    w.BitBtn3Click();
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("1\n2\n3\n4\n5"));
    std::vector<std::string> notes;
    for (std::size_t i = 6; i < 11; ++i) {
        notes.push_back(f.ExportDocument1.lines()[i].text);
    }
    EXPECT_EQ(notes, (std::vector<std::string>{"1", "2", "3", "4", "5"}));

    // A line wider than the box: the window counts the lines as the box itself shows them.
    w.show();
    const QString wide = QStringLiteral("Brandmeldeanlage ").repeated(12);
    w.Memo1->setPlainText(wide + QStringLiteral("\nzwei\ndrei"));
    QApplication::processEvents();
    int shown = 0;
    for (QTextBlock b = w.Memo1->document()->begin(); b.isValid(); b = b.next()) {
        shown += b.layout()->lineCount();
    }
    const QStringList lines = w.notesDisplayLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.size(), shown);
    w.BitBtn3Click();
    EXPECT_TRUE(wide.startsWith(w.Memo1->toPlainText())) << w.Memo1->toPlainText().toStdString();
    EXPECT_EQ(toolkit::fromWin1252(f.ExportDocument1.lines()[10].text), lines[4]);
}

TEST_F(CustomerWindow, DescriptionFilesThroughTheButtons) {
    TForm1& f = window();
    f.createCustomerWindow();
    TForm3& w = *f.Form3;
    w.setData({"alt", "alt", "alt", "Autor alt", "alt"});
    ASSERT_TRUE(
        toolkit::writeFileAtomic(path("drei.bes"), "M\xFCller\r\nHalle 3\r\n07.04.2014\r\n"));
    dialogs().fileAnswers = {path("drei.bes")};
    w.BitBtn5Click();
    const toolkit::FileDialogOptions& open = dialogs().fileOptions.at(0);
    EXPECT_EQ(open.title, QStringLiteral("Beschreibungsdatei auswählen"));
    EXPECT_EQ(open.filter, QStringLiteral("Beschreibung [*.bes]|*.bes"));
    EXPECT_EQ(open.initialDir, f.AVerz + QStringLiteral("Kunden"));
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Müller"));
    EXPECT_EQ(w.Edit4->text(), QString());
    EXPECT_EQ(w.Memo1->toPlainText(), QStringLiteral("\n\n\n\n"));
    EXPECT_FALSE(w.CheckBox1->isChecked());

    // A file that cannot be read changes nothing.
    dialogs().fileAnswers = {path("fehlt.bes")};
    w.BitBtn5Click();
    EXPECT_EQ(dialogs().messages().size(), 1);
    EXPECT_EQ(w.Edit1->text(), QStringLiteral("Müller"));

    ASSERT_TRUE(toolkit::writeFileAtomic(path("k.bes"), "old"));
    dialogs().fileAnswers = {path("k.bes")};
    w.BitBtn1Click();
    EXPECT_EQ(dialogs().fileOptions.back().title, QStringLiteral("Beschreibungsdatei speichern"));
    EXPECT_FALSE(dialogs().fileOptions.back().confirmOverwrite);
    EXPECT_EQ(fileBytes(path("k.bes")),
              "M\xFCller\r\nHalle 3\r\n07.04.2014\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(CaptureFileCommands, ExportThroughTheModalCustomerWindowAndWhileItIsOpen) {
    TForm1& f = window();
    f.Stop1Click();
    receiveLine(f, " 12 Melder");
    f.createCustomerWindow();
    TForm3& w = *f.Form3;
    w.setData({"Kunde", "Anlage", "01.02.2026", "Autor", "Notiz"});

    // Yes: the window comes up modally with the box ticked; its "ok" writes the header.
    bool wasModal = false;
    QTimer::singleShot(0, &w, [&] {
        wasModal = QApplication::activeModalWidget() == &w && w.GroupBox2->isVisible();
        w.BitBtn3->click();
    });
    dialogs().fileAnswers = {path("e.rtf")};
    dialogs().confirmAnswers = {true};
    f.alsMitschnittimrtf1Click();
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(
        dialogs().messages(),
        QStringList{QStringLiteral("Daten wurden in folgende Datei geschrieben:\r\" e.rtf \"")});
    const std::vector<testsupport::ReadLine> back =
        testsupport::readRtfLines(fileBytes(path("e.rtf")));
    ASSERT_EQ(back.size(), 13u + 3u);
    EXPECT_EQ(back[6].text, QStringLiteral("Notiz"));
    EXPECT_EQ(back[13].style, 'i');
    EXPECT_EQ(back[15].text, QStringLiteral(" 12 Melder"));
    EXPECT_EQ(back[15].style, 'r');
    EXPECT_FALSE(f.hasUnsavedLines());

    // Yes while the window is open from the menu: the message, the box stays ticked, no file.
    f.PDF1Click();
    w.CheckBox1->setChecked(false);
    dialogs().shown.clear();
    dialogs().fileAnswers = {path("f.rtf")};
    dialogs().confirmAnswers = {true};
    f.alsMitschnittimrtf1Click();
    EXPECT_EQ(dialogs().messages(),
              QStringList{
                  QStringLiteral("Aus einem sichtbaren Fenster kann kein modales gemacht werden")});
    EXPECT_TRUE(w.CheckBox1->isChecked());
    EXPECT_FALSE(QFile::exists(path("f.rtf")));
}

namespace {

// Converts the files with LibreOffice into `format` (in `out`); false when it is not installed
// or fails.
bool convert(const QStringList& files, const QString& format, const QString& out) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        return false;
    }
    QProcess p;
    // A profile of its own, so that a LibreOffice running elsewhere does not take the job.
    p.start(soffice, QStringList{"-env:UserInstallation=file://" + out + "/profile", "--headless",
                                 "--convert-to", format, "--outdir", out} +
                         files);
    return p.waitForFinished(180000) && p.exitCode() == 0;
}

QString readUtf8(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The paragraphs of LibreOffice's HTML that carry text: their style and font as shown.
QStringList htmlLooks(const QString& html) {
    QStringList looks;
    static const QRegularExpression paragraph(QStringLiteral("<p[^>]*>(.*?)</p>"),
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression face(QStringLiteral("face=\"([^\",]*)"));
    static const QRegularExpression size(QStringLiteral("font-size: (\\d+)pt"));
    for (auto it = paragraph.globalMatch(html); it.hasNext();) {
        const QString p = it.next().captured(1);
        if (!p.contains(QStringLiteral("<font"))) {
            continue; // a blank or empty line shows no font
        }
        const QString style = p.contains(QStringLiteral("<i>"))   ? QStringLiteral("i")
                              : p.contains(QStringLiteral("<b>")) ? QStringLiteral("b")
                                                                  : QStringLiteral("r");
        looks << style + QLatin1Char(' ') + face.match(p).captured(1) + QLatin1Char(' ') +
                     size.match(p).captured(1);
    }
    return looks;
}

} // namespace

// The export and "protokoll.rtf" as LibreOffice and our own reader show them: every line's
// text with its umlauts, its style, and the font and size of each file.
TEST_F(CaptureFileCommands, ExportAndProtocolReadBackInLibreOfficeAndOurReader) {
    TForm1& f = window();
    f.Stop1Click();
    receiveLine(f, "  17 St\x94rung Gr\x81n");
    receiveLine(f, "Melder \x8E\x99\x9A\xE1");
    const std::string marker = f.displayLines()[0];
    dialogs().fileAnswers = {path("export.rtf")};
    dialogs().confirmAnswers = {false};
    f.alsMitschnittimrtf1Click();
    f.Beenden1Click();
    const QString protocol = f.AVerz + QStringLiteral("protokoll.rtf");
    ASSERT_TRUE(QFile::exists(protocol));

    const QStringList exportLines{toolkit::fromWin1252(marker), " ",
                                  QStringLiteral("  17 Störung Grün"),
                                  QStringLiteral("Melder ÄÖÜß")};
    const QStringList protocolLines{exportLines[0], exportLines[2], exportLines[3]};
    auto ours = [](const QString& path) {
        QStringList texts;
        std::string looks;
        for (const testsupport::ReadLine& l : testsupport::readRtfLines(fileBytes(path))) {
            texts << l.text;
            looks += l.style;
            looks += l.font + std::to_string(l.halfPoints) + ";";
        }
        return std::make_pair(texts, looks);
    };
    EXPECT_EQ(
        ours(path("export.rtf")),
        std::make_pair(exportLines, std::string("iCourier24;iCourier24;rCourier24;bCourier24;")));
    EXPECT_EQ(ours(protocol),
              std::make_pair(protocolLines,
                             std::string("iCourier New18;rCourier New18;bCourier New18;")));

    const QString out = path(QStringLiteral("lo"));
    const QStringList files{path("export.rtf"), protocol};
    if (!convert(files, QStringLiteral("txt:Text (encoded):UTF8"), out)) {
        GTEST_SKIP() << "LibreOffice (soffice) not available";
    }
    ASSERT_TRUE(convert(files, QStringLiteral("html"), out));
    auto text = [&](const char* name) {
        QString t = readUtf8(out + QLatin1Char('/') + QLatin1String(name));
        t.remove(QChar(0xFEFF));
        QStringList lines = t.split(QLatin1Char('\n'));
        lines.removeLast(); // after the last line end
        return lines;
    };
    EXPECT_EQ(text("export.txt"), exportLines);
    EXPECT_EQ(text("protokoll.txt"), protocolLines);
    EXPECT_EQ(htmlLooks(readUtf8(out + QStringLiteral("/export.html"))),
              (QStringList{"i Courier 12", "r Courier 12", "b Courier 12"}));
    EXPECT_EQ(htmlLooks(readUtf8(out + QStringLiteral("/protokoll.html"))),
              (QStringList{"i Courier New 9", "r Courier New 9", "b Courier New 9"}));
}

// Files that are no capture: binary noise, one huge line, more text than the display holds.
// The display stays within its limit and ends with the file's last text.
TEST_F(CaptureFileCommands, OpeningGarbageOrTooMuchTextKeepsTheDisplayWithinItsLimit) {
    TForm1& f = window();
    std::string noise(300 * 1024, '\0');
    unsigned state = 1;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    std::string many;
    for (int i = 0; i < 5000; ++i) {
        many += "Zeile " + std::to_string(i) + std::string(60, '.') + "\r\n";
    }
    for (const std::string& bytes : {noise, std::string(3 * 1024 * 1024, 'x') + "Ende", many}) {
        ASSERT_TRUE(toolkit::writeFileAtomic(path("g.txt"), bytes));
        dialogs().fileAnswers = {path("g.txt")};
        f.ffnen1Click();
        EXPECT_LE(f.RichEdit1->characterCount(), TForm1::kTextLimit);
        EXPECT_GT(f.RichEdit1->lineCount(), 0);
        const std::string last = f.displayLines().back();
        EXPECT_TRUE(toolkit::splitLines(bytes).back().ends_with(last)) << last.substr(0, 80);
    }
    EXPECT_EQ(f.displayLines().back(), "Zeile 4999" + std::string(60, '.'));
    EXPECT_TRUE(dialogs().messages().isEmpty());
}
