#include "window_fixture.h"

#include "toolkit/LineView.h"

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

std::string fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace capturetest
