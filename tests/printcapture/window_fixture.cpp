#include "window_fixture.h"

#include "toolkit/Application.h"
#include "toolkit/LineView.h"
#include "toolkit/Win1252.h"

#ifndef _WIN32
#include "capture_test_env.h"
#include "serial/Serial.h"
#include "tools/printersim/PrintedLines.h"
#endif

#include <QDir>
#include <QFile>
#include <QTextBlock>

namespace capturetest {

QString CaptureWindowTest::folder() const {
    return m_dir.path() + QLatin1Char('/');
}

QString CaptureWindowTest::path(const QString& name) const {
    return m_dir.filePath(name);
}

bool CaptureWindowTest::exists(const QString& name) const {
    return QFile::exists(path(name));
}

printcapture::TForm1& CaptureWindowTest::window() {
    if (!m_window) {
        m_window = std::make_unique<printcapture::TForm1>(nullptr, folder());
    }
    return *m_window;
}

printcapture::TForm1& CaptureWindowTest::restart() {
    m_window.reset();
    return window();
}

void receiveLine(printcapture::TForm1& window, const std::string& line) {
    window.ReceiveBuffer.append(line + "\x0A\x0D");
    window.Timer1Timer();
}

char styleOfBlock(const QTextBlock& block) {
    const QTextCharFormat c =
        block.length() > 1 ? block.begin().fragment().charFormat() : block.charFormat();
    if (c.fontItalic()) {
        return 'i';
    }
    return c.fontWeight() >= QFont::Bold ? 'b' : 'r';
}

std::string styles(const printcapture::TForm1& window) {
    std::string s;
    for (QTextBlock b = window.RichEdit1->document()->begin(); b.isValid(); b = b.next()) {
        s += styleOfBlock(b);
    }
    return s;
}

QString shotsFolder() {
    const QString folder = qEnvironmentVariable("KORVEL_SHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        toolkit::loadGermanQtTranslation();
    }
    return folder;
}

std::string fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

#ifndef _WIN32
bool portReady(PrinterSim& sim, int com) {
    if (!sim.published()) {
        return false;
    }
    COMManager().ScanPorts(8);
    COMManager().Rescan(); // ports that came after the first scan
    return COMManager().HasPort(com);
}

void expectPrintedLines(QTextBlock& block, int seed, int count, bool emptyLinesStyled) {
    char style = 'r';
    for (int i = 0; i < count; ++i) {
        block = block.next();
        ASSERT_TRUE(block.isValid()) << "line " << i;
        const printersim::PrintedLine line = printersim::makeLine(seed, i);
        ASSERT_EQ(block.text(), toolkit::fromWin1252(line.shown)) << "line " << i;
        if (line.style != printersim::ExpectedStyle::Keep) {
            style = line.style == printersim::ExpectedStyle::Bold ? 'b' : 'r';
        }
        if (emptyLinesStyled || !block.text().isEmpty()) {
            ASSERT_EQ(styleOfBlock(block), style) << "line " << i;
        }
    }
}
#endif

} // namespace capturetest
