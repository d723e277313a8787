// The capture's files and the export's course without widgets: the style rule, the export
// document and its RTF as our reader sees it, text and description files, the customer header,
// and the export command against a scripted customer window.
#include "common/RtfReadBack.h"
#include "common/ScriptedDialogs.h"
#include "printcapture/CaptureExport.h"
#include "toolkit/Dialogs.h"
#include "toolkit/TextFile.h"
#include "toolkit/Win1252.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace printcapture;

namespace {

const std::string kMarker = "0****  Start Aufzeichnung 14:05:09";

std::string styles(const ExportDocument& d) {
    std::string s;
    for (const toolkit::RtfLine& l : d.lines()) {
        s += l.italic ? 'i' : l.bold ? 'b' : 'r';
    }
    return s;
}

std::string fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
}

// The customer window as the export sees it: records the check box, answers as told and, on
// "ok", writes a header as the real window does.
class FakeCustomer : public CustomerPrompt {
public:
    explicit FakeCustomer(ExportDocument& doc, Result answer) : m_doc(doc), m_answer(answer) {}
    void setUseCustomerInfo(bool use) override { ticked = use; }
    Result showModal() override {
        ++shown;
        if (m_answer == Result::Ok) {
            writeCustomerHeader(m_doc, {"Kunde", "Anlage", "01.02.2026", "Autor", ""}, {});
        }
        return m_answer;
    }
    std::optional<bool> ticked;
    int shown = 0;

private:
    ExportDocument& m_doc;
    Result m_answer;
};

} // namespace

TEST(CaptureFiles, ExportStylesMarkersBlankLedLetterLedAndEmptyLinesAndReadsBackTheSame) {
    ExportDocument doc;
    appendCaptureLines(doc, {kMarker, "  17 St\xF6rung", "Melder 12", "", "x",
                             "\x01"
                             "ctl",
                             "0*"});
    // Marker, its blank line, regular, bold, the empty line bold, one character and a control
    // byte bold (the live rule would differ), the short marker and its blank line.
    EXPECT_EQ(styles(doc), "iirbbbbii");
    EXPECT_EQ(doc.lines()[1].text, " ");

    const std::vector<testsupport::ReadLine> back = testsupport::readRtfLines(doc.rtf());
    ASSERT_EQ(back.size(), 9u);
    const char* want[] = {"0****  Start Aufzeichnung 14:05:09",
                          " ",
                          "  17 St\xF6rung",
                          "Melder 12",
                          "",
                          "x",
                          ("\x01"
                           "ctl"),
                          "0*",
                          " "};
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].text, toolkit::fromWin1252(want[i])) << i;
        if (!back[i].text.isEmpty()) {
            EXPECT_EQ(back[i].style, styles(doc)[i]) << i;
            EXPECT_EQ(back[i].halfPoints, 24) << i;
            EXPECT_EQ(back[i].font, "Courier") << i;
        }
    }
    // The empty line's paragraph is bold for a reader that shows the paragraph mark's style.
    EXPECT_NE(doc.rtf().find("\\b\\i0 \\par"), std::string::npos);
    EXPECT_TRUE(
        testsupport::readRtfLines(ExportDocument().rtf()).empty()); // no lines, no paragraphs
}

TEST(CaptureFiles, TextFileRoundTripKeepsEveryByteAndReadsAllThreeLineEnds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    const std::vector<std::string> lines{kMarker, "", " \xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80\x81\xFF",
                                         "{\\rtf}"};
    ASSERT_TRUE(writeCaptureFile(path, lines));
    EXPECT_EQ(fileBytes(path),
              kMarker + "\r\n\r\n \xC4\xD6\xDC\xE4\xF6\xFC\xDF \x80\x81\xFF\r\n{\\rtf}\r\n");
    EXPECT_EQ(readCaptureFile(path).lines, lines);

    // LF CR, the panel's own line end, reads as a line end and an empty line.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("a\nb\rc\r\nd\n\re");
    f.close();
    EXPECT_EQ(readCaptureFile(path).lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));

    const CaptureFile missing = readCaptureFile(dir.filePath(QStringLiteral("none.txt")));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, cannotOpenMessage(dir.filePath(QStringLiteral("none.txt"))));

    // A file that cannot be written is named as the platform writes paths, with the reason when
    // there is one; both programs word it so.
    const QString cannot = toolkit::cannotWriteText(QStringLiteral("C:/Kunden/a.txt"));
#ifdef _WIN32
    EXPECT_EQ(cannot, QStringLiteral("Datei C:\\Kunden\\a.txt kann nicht erstellt werden"));
#else
    EXPECT_EQ(cannot, QStringLiteral("Datei C:/Kunden/a.txt kann nicht erstellt werden"));
#endif
    EXPECT_EQ(toolkit::cannotWriteText(QStringLiteral("C:/Kunden/a.txt"), QStringLiteral("voll")),
              cannot + QStringLiteral(": voll"));
}

TEST(CustomerInfo, DescriptionFilesReadNineLinesAndWriteWhatTheyRead) {
    // Three lines: the author and all five notes lines are empty.
    CustomerData three = parseDescriptionFile("Kunde\r\nAnlage\r\n07.04.2014\r\n");
    EXPECT_EQ(three, (CustomerData{"Kunde", "Anlage", "07.04.2014", "", "\n\n\n\n"}));
    EXPECT_EQ(three.notes.split('\n').size(), 5);

    // Eight notes lines and mixed line ends: five are read, and saving writes those five.
    const std::string eight = "M\xFCller GmbH\rHalle 3\n01.02.2026\r\nS. Wei\xDF\r\n"
                              "n1\r\nn2\rn3\nn4\r\n\r\nn6\r\nn7\r\nn8\r\n";
    const CustomerData data = parseDescriptionFile(eight);
    EXPECT_EQ(data.customer, QStringLiteral("Müller GmbH"));
    EXPECT_EQ(data.author, QStringLiteral("S. Weiß"));
    EXPECT_EQ(data.notes, QStringLiteral("n1\nn2\nn3\nn4\n"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.bes"));
    ASSERT_TRUE(writeDescriptionFile(path, data));
    EXPECT_EQ(fileBytes(path), "M\xFCller GmbH\r\nHalle 3\r\n01.02.2026\r\nS. Wei\xDF\r\n"
                               "n1\r\nn2\r\nn3\r\nn4\r\n\r\n");
    EXPECT_EQ(readDescriptionFile(path).data, data);

    // An empty notes box gives one empty line 5.
    EXPECT_EQ(descriptionFileLines({"a", "b", "c", "d", ""}),
              (std::vector<std::string>{"a", "b", "c", "d", ""}));
}

TEST(CustomerInfo, HeaderIsThirteenBoldLinesWithFiveNotesLinesThenRegular) {
    ExportDocument doc;
    doc.append("old");
    writeCustomerHeader(doc, {"K", "A", "D", "E", "ignored: the shown lines count"},
                        {"eins", "zwei"});
    std::vector<std::string> texts;
    for (const toolkit::RtfLine& l : doc.lines()) {
        texts.push_back(l.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{" ", "K", "A", "D", "E", " ", "eins", "zwei", "", "",
                                               "", " ", " "}));
    EXPECT_EQ(styles(doc), std::string(13, 'b'));
    EXPECT_EQ(doc.style(), LineStyle::Regular);
}

TEST(CaptureExport, AnswersYesNoAbortAndAVisibleWindowAndAFailedWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.rtf"));
    const std::vector<std::string> lines{kMarker, "Zeile"};
    auto run = [&](bool yes, CustomerPrompt::Result answer, const QString& target,
                   const std::vector<std::string>& shown) {
        testsupport::ScriptedDialogs boxes;
        boxes.fileAnswers.push_back(target);
        boxes.confirmAnswers.push_back(yes);
        ExportDocument doc;
        doc.append("left over from a menu \"ok\"");
        FakeCustomer customer(doc, answer);
        const bool written = runExport({nullptr, dir.path(), shown}, doc, customer);
        EXPECT_EQ(boxes.fileOptions.at(0).title, QStringLiteral("RTF-Datei speichern unter :"));
        EXPECT_EQ(boxes.fileOptions.at(0).filter, QStringLiteral("RichText [*.rtf]|*.rtf"));
        EXPECT_EQ(boxes.fileOptions.at(0).defaultExtension, QStringLiteral("rtf"));
        EXPECT_FALSE(boxes.fileOptions.at(0).confirmOverwrite);
        EXPECT_EQ(boxes.shown.at(1).text, QStringLiteral("Kundendaten mit darstellen ?"));
        EXPECT_EQ(customer.ticked, std::optional<bool>(yes));
        EXPECT_EQ(customer.shown, yes ? 1 : 0);
        return std::make_tuple(written, boxes.messages(),
                               testsupport::readRtfLines(fileBytes(target)));
    };

    // No with an empty display: a document without lines, and the success message.
    auto [written, messages, back] = run(false, CustomerPrompt::Result::Ok, path, {});
    EXPECT_TRUE(written);
    EXPECT_EQ(messages,
              QStringList{"Daten wurden in folgende Datei geschrieben:\r\" export.rtf \""});
    EXPECT_TRUE(back.empty());

    // Yes and "ok": the header, then the lines; the existing file is replaced.
    std::tie(written, messages, back) = run(true, CustomerPrompt::Result::Ok, path, lines);
    ASSERT_EQ(back.size(), 13u + 3u);
    EXPECT_EQ(back[1].text, QStringLiteral("Kunde"));
    EXPECT_EQ(back[1].style, 'b');
    EXPECT_EQ(back[13].text, toolkit::fromWin1252(kMarker));
    EXPECT_EQ(back[15].text, QStringLiteral("Zeile"));

    // Yes and the abort button: no header, and nothing left from before.
    std::tie(written, messages, back) = run(true, CustomerPrompt::Result::Cancelled, path, lines);
    EXPECT_TRUE(written);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].style, 'i');

    // Yes while the window is open from the menu: the toolkit's message, the box stays ticked,
    // no file is written.
    const QString other = dir.filePath(QStringLiteral("other.rtf"));
    std::tie(written, messages, back) =
        run(true, CustomerPrompt::Result::AlreadyVisible, other, lines);
    EXPECT_FALSE(written);
    EXPECT_EQ(messages,
              QStringList{"Aus einem sichtbaren Fenster kann kein modales gemacht werden"});
    EXPECT_FALSE(QFile::exists(other));

    // A folder that does not exist: the failure message, not the success one.
    std::tie(written, messages, back) =
        run(false, CustomerPrompt::Result::Ok, dir.filePath(QStringLiteral("no/x.rtf")), lines);
    EXPECT_FALSE(written);
    EXPECT_EQ(messages, QStringList{"Fehler beim Schreiben der Datei!"});
}

// Outside files must never crash or hang a reader: binary noise, a huge line without line end,
// bytes Windows-1252 leaves undefined, and files above the bound, which are refused.
TEST(CaptureFiles, GarbageTextAndDescriptionFilesAreReadSafely) {
    QTemporaryDir dir;
    std::mt19937 random(7);
    auto write = [&](const char* name, const std::string& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(toolkit::writeFileAtomic(path, bytes));
        return path;
    };
    std::string noise(256 * 1024, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string huge(4 * 1024 * 1024, 'x');
    const std::string undefined = "\x81\x8D\x8F\x90\x9D\r\n\x81";

    for (const std::string* bytes : {static_cast<const std::string*>(&noise), &undefined}) {
        const QString p = write("g.bes", *bytes);
        const DescriptionFile file = readDescriptionFile(p);
        ASSERT_TRUE(file.ok);
        EXPECT_EQ(file.data.notes.count('\n'), 4);
        // What was read is written back byte for byte (the undefined bytes round-trip).
        EXPECT_EQ(parseDescriptionFile(descriptionFileLines(file.data)[0] + "\r\n").customer,
                  file.data.customer);
        EXPECT_TRUE(readCaptureFile(write("g.txt", *bytes)).ok);
    }
    EXPECT_EQ(readCaptureFile(write("u.txt", undefined)).lines.at(1), "\x81");

    // A huge line: the text file reads it whole; the description file is too large and refused.
    const CaptureFile one = readCaptureFile(write("h.txt", huge));
    ASSERT_TRUE(one.ok);
    EXPECT_EQ(one.lines.size(), 1u);
    const DescriptionFile big = readDescriptionFile(write("h.bes", huge));
    EXPECT_FALSE(big.ok);
    EXPECT_TRUE(big.error.contains(QStringLiteral("zu groß"))) << big.error.toStdString();

    QFile sparse(dir.filePath(QStringLiteral("s.txt")));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    ASSERT_TRUE(sparse.resize(kMaxCaptureFileBytes + 1));
    sparse.close();
    EXPECT_FALSE(readCaptureFile(sparse.fileName()).ok);
}
