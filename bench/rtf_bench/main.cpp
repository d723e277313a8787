// Speed of the RTF reader and of loading a document into the viewer.
//   rtf.read_mb_per_s  reader into the recording sink, generated 10 MB document (best of 3)
//   rtf.view_ms        1 MB document into a shown read-only text view until its first page is
//                      painted (best of 3); the view lays out the rest in the background.
//                      The time for laying out the whole document goes to stderr.
#include "common/RecordingSink.h"
#include "toolkit/rtf/RtfDocument.h"
#include "toolkit/rtf/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// A document like the fault descriptions a word processor writes: headings, formatted runs,
// 8-bit and Unicode escapes, lists and tables.
std::string generate(std::size_t bytes) {
    std::string doc = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                      "Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}{\\f2\\fnil\\fcharset2 "
                      "Symbol;}}{\\colortbl ;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}"
                      "{\\*\\generator bench;}\\viewkind4\\uc1\\pard\\sa120\\f0\\fs20 ";
    int n = 0;
    while (doc.size() < bytes) {
        ++n;
        doc += "{\\pard\\sb240\\sa120\\b\\fs26\\cf1 " + std::to_string(n) +
               ". Meldung Ringleitung\\par}\\pard\\li567 Der Trennbaustein hat den "
               "Abschnitt abgeschaltet. {\\b Achtung:} Die Melder sind au\\'dfer Betrieb! "
               "Leitung pr\\'fcfen, Widerst\\u228?nde messen \\endash  siehe {\\i Handbuch}."
               "\\par{\\pard\\fi-284\\li567{\\f2\\'b7}\\tab\\b Netzausfall:\\b0  Akku "
               "pr\\'fcfen.\\par}\\trowd\\cellx1300\\cellx4600\\cellx9600\\pard\\intbl\\f1 " +
               std::to_string(100 + n % 900) +
               "\\f0\\cell Modul antwortet nicht\\cell Steckplatz und Kabel pr\\'fcfen.\\cell"
               "\\row\\pard\r\n";
    }
    doc += "}";
    return doc;
}

template <typename F> double bestMs(F&& f) {
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    std::string big = generate(10 * 1024 * 1024);
    std::size_t chars = 0;
    double readMs = bestMs([&] {
        testsupport::RecordingSink sink;
        toolkit::rtf::readRtf(big, sink);
        chars = sink.plain.size();
    });
    double mb = big.size() / (1024.0 * 1024.0);
    std::printf("rtf.read_mb_per_s %.1f\n", mb / (readMs / 1000.0));

    std::string one = generate(1024 * 1024);
    QTextEdit view;
    view.setReadOnly(true);
    view.setLineWrapMode(QTextEdit::NoWrap);
    view.resize(680, 520);
    view.show();
    QApplication::processEvents();
    double viewMs = bestMs([&] {
        auto* document = new QTextDocument(&view);
        toolkit::rtf::loadRtf(*document, one);
        view.setDocument(document);
        view.viewport()->repaint();
    });
    std::printf("rtf.view_ms %.0f\n", viewMs);
    double layoutMs = bestMs([&] {
        QTextDocument document;
        toolkit::rtf::loadRtf(document, one);
        document.documentLayout()->documentSize();
    });
    std::fprintf(stderr, "(1 MB loaded and laid out completely: %.0f ms)\n", layoutMs);
    std::fprintf(stderr, "(%zu characters read from %.1f MB)\n", chars, mb);
    return 0;
}
