// korveltool's own documents through the reader: a saved protocol reads back line by line in
// its colours, and the main window's menu brings up the fault-description window.
#include "common/RecordingSink.h"
#include "common/ScriptedDialogs.h"
#include "servicetool/DiagnoseWindows.h"
#include "servicetool/MainForm.h"
#include "servicetool/TForm2.h"
#include "servicetool/TForm3.h"
#include "servicetool/TForm4.h"
#include "toolkit/rtf/RtfReader.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace toolkit::rtf;
using testsupport::RecordingSink;

namespace {

// The paragraphs of the text, each with the colour of its runs (kAutoColour for an empty line,
// 0x1000000 when it mixes colours).
std::vector<std::pair<std::u16string, Rgb>> paragraphs(const RecordingSink& sink) {
    std::vector<std::pair<std::u16string, Rgb>> result(1, {u"", kAutoColour});
    std::size_t run = 0;
    for (std::size_t i = 0; i < sink.plain.size(); ++i) {
        while (run < sink.runs.size() && sink.runs[run].start + sink.runs[run].length <= i) {
            ++run;
        }
        char16_t c = sink.plain[i];
        if (c == u'\n') {
            result.emplace_back(u"", kAutoColour);
            continue;
        }
        Rgb colour = sink.runs.at(run).format.foreground;
        auto& [text, paragraphColour] = result.back();
        paragraphColour = text.empty() || paragraphColour == colour ? colour : 0x1000000u;
        text.push_back(c);
    }
    return result;
}

} // namespace

TEST(RtfRoundTrip, SavedProtocolReadsBackWithItsLinesAndColours) {
    QTemporaryDir dir;
    servicetool::TForm1 form;
    form.protocol().note("# Schnittstelle ist ge\xF6"
                         "ffnet.\r  Jetzt RESET am Panel durchf\xFChren.");
    form.protocol().receive("Korvel BIOS {v2.1} C:\\boot \x80 \xB5P\tok\r\n\r\n");
    form.protocol().note("# m");

    QString path = dir.filePath(QStringLiteral("protokoll.rtf"));
    testsupport::ScriptedDialogs dialogs;
    dialogs.fileAnswers.push_back(path);
    form.Speichernunter1Click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "protocol not saved";
    QByteArray bytes = file.readAll();

    RecordingSink sink;
    readRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), sink);
    auto lines = paragraphs(sink);
    while (!lines.empty() && lines.back().first.empty() && lines.size() > 5) {
        lines.pop_back(); // what follows the last paragraph mark
    }
    using Line = std::pair<std::u16string, Rgb>;
    EXPECT_EQ(lines, (std::vector<Line>{
                         {u"# Schnittstelle ist geöffnet.", 0x0000FF},
                         {u"  Jetzt RESET am Panel durchführen.", 0x0000FF},
                         {u"Korvel BIOS {v2.1} C:\\boot € µP\tok", 0x000000},
                         {u"", kAutoColour},
                         {u"# m", 0x0000FF},
                     }));
}

TEST(RtfRoundTrip, DiagnoseMenuBringsUpTheOneFaultWindow) {
    QTemporaryDir dir;
    servicetool::TForm1 form;
    form.Form4 = new servicetool::TForm4(&form, dir.path());
    EXPECT_EQ(form.Diagnose1->title(), QStringLiteral("Diagnose"));
    EXPECT_EQ(form.Module1->text(), QStringLiteral("Vernetzung/Module"));
    EXPECT_FALSE(form.Form4->isVisible()); // created hidden
    form.show();
    form.Module1->trigger();
    EXPECT_TRUE(form.Form4->isVisible());
    form.Module1->trigger();
    EXPECT_TRUE(form.Form4->isVisible());
    EXPECT_EQ(form.findChildren<servicetool::TForm4*>().size(), 1);
    // The window belongs to the main window and stays a separate tool window.
    EXPECT_TRUE(form.Form4->isWindow());
    EXPECT_EQ(form.Form4->RichEdit1->document()->blockCount(), 3);
}

TEST(RtfRoundTrip, StartUpCreatesTheFaultWindowLastAndHidden) {
    testsupport::ScriptedDialogs dialogs;
    servicetool::TForm1 form;
    servicetool::createDiagnoseWindows(form);
    ASSERT_NE(form.Form4, nullptr);
    EXPECT_FALSE(form.Form4->isVisible());
    // Created after the two decoder windows; the menu lists it first.
    QList<QObject*> children = form.children();
    EXPECT_GT(children.indexOf(form.Form4), children.indexOf(form.Form3));
    EXPECT_GT(children.indexOf(form.Form3), children.indexOf(form.Form2));
    EXPECT_EQ(form.Diagnose1->actions(),
              (QList<QAction*>{form.Module1, form.Vestra1, form.Melderverschmutzung1}));
    // The demo document beside the program was read.
    EXPECT_TRUE(form.Form4->RichEdit1->toPlainText().startsWith(
        QStringLiteral("Fehlerbeschreibungen der Zentrale")));
    EXPECT_TRUE(dialogs.messages().isEmpty());
}
