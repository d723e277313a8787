// The protocol view: following the end, selection with mouse and keys, copy.
#include "toolkit/ProtocolView.h"
#include "toolkit/Win1252.h"

#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

using toolkit::ProtocolView;

namespace {

void fill(ProtocolView& view, int from, int count) {
    for (int i = from; i < from + count; ++i) {
        view.store().startLine(i % 10 == 0 ? 0x0000FF : 0x000000);
        view.store().appendText("line " + std::to_string(i) + " \xE4\tend", 0x000000);
    }
    view.storeChanged();
}

void mouse(ProtocolView& view, QEvent::Type type, QPoint at, Qt::KeyboardModifiers mods = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), button, Qt::LeftButton, mods);
    QApplication::sendEvent(view.viewport(), &event);
}

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void key(ProtocolView& view, int key, Qt::KeyboardModifiers mods) {
    QKeyEvent event(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(&view, &event);
}

} // namespace

TEST(ProtocolView, FollowsTheEndOnlyWhileScrolledToIt) {
    ProtocolView view;
    view.resize(360, 440);
    view.show();
    fill(view, 0, 5000);
    const int atEnd = view.firstVisibleLine();
    EXPECT_GT(atEnd, 4900);
    fill(view, 5000, 100);
    EXPECT_EQ(view.firstVisibleLine(), atEnd + 100);

    view.scrollToLine(2500);
    fill(view, 5100, 100);
    EXPECT_EQ(view.firstVisibleLine(), 2500);
    view.scrollToEnd();
    fill(view, 5200, 1);
    EXPECT_EQ(view.firstVisibleLine(), atEnd + 201);
    // Wide enough for the longest line.
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    view.store().appendText(std::string(200, 'w'), 0x000000);
    view.storeChanged();
    EXPECT_GT(view.horizontalScrollBar()->maximum(),
              100 * QFontMetricsF(view.font()).averageCharWidth());
}

TEST(ProtocolView, SelectsWithTheMouseAndCopiesTheBytesAsSent) {
    ProtocolView view;
    view.resize(360, 440);
    view.show();
    fill(view, 0, 1000);
    view.scrollToLine(100);
    const QFontMetricsF metrics(view.font());
    const double cell = std::lround(metrics.horizontalAdvance(u'0'));
    const double row = std::ceil(metrics.lineSpacing());
    const auto at = [&](int column, int line) {
        return QPoint(3 + static_cast<int>(column * cell), static_cast<int>((line + 0.5) * row));
    };
    // From column 5 of the second visible line to column 3 of the fourth.
    mouse(view, QEvent::MouseButtonPress, at(5, 1));
    mouse(view, QEvent::MouseMove, at(3, 3));
    mouse(view, QEvent::MouseButtonRelease, at(3, 3));
    EXPECT_EQ(view.selectedText(), "101 \xE4\tend\nline 102 \xE4\tend\nlin");
    key(view, Qt::Key_C, Qt::ControlModifier);
#ifdef Q_OS_WIN
    const char* const clipboardLineEnd = "\r\n"; // what Windows programs paste
#else
    const char* const clipboardLineEnd = "\n";
#endif
    EXPECT_EQ(QApplication::clipboard()->text(),
              toolkit::fromWin1252(std::string("101 \xE4\tend") + clipboardLineEnd +
                                   "line 102 \xE4\tend" + clipboardLineEnd + "lin"));
    // Held below the view, the selection scrolls on by itself until the button is let go.
    mouse(view, QEvent::MouseButtonPress, at(0, 1));
    mouse(view, QEvent::MouseMove, QPoint(at(0, 1).x(), view.viewport()->height() + 5));
    for (int i = 0; i < 50 && view.firstVisibleLine() < 103; ++i) {
        wait(20);
    }
    mouse(view, QEvent::MouseButtonRelease, at(0, 1));
    const int scrolledTo = view.firstVisibleLine();
    EXPECT_GE(scrolledTo, 103);
    wait(120);
    EXPECT_EQ(view.firstVisibleLine(), scrolledTo);
    EXPECT_EQ(view.selectedText().rfind("line 101 ", 0), 0u);

    view.scrollToLine(100);
    mouse(view, QEvent::MouseButtonPress, at(5, 1));
    // Shift extends from the same anchor; a click past the end of a line stops at its end.
    mouse(view, QEvent::MouseButtonPress, at(40, 1), Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), "101 \xE4\tend");

    key(view, Qt::Key_A, Qt::ControlModifier);
    const std::string all = view.selectedText();
    EXPECT_EQ(all.rfind("line 0 ", 0), 0u);
    EXPECT_EQ(all.substr(all.size() - 14), "line 999 \xE4\tend");
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 999);

    view.clear();
    EXPECT_FALSE(view.hasSelection());
    EXPECT_EQ(view.selectedText(), "");
}
