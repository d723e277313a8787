// The Qt document built from RTF: formats, paragraphs, tables and pictures.
#include "toolkit/rtf/RtfDocument.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <gtest/gtest.h>

using toolkit::rtf::loadRtf;

namespace {

QTextCharFormat formatAt(QTextDocument& doc, const QString& text) {
    QTextCursor c = doc.find(text);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    return c.charFormat();
}

QList<QTextTable*> tables(QTextDocument& doc) {
    QList<QTextTable*> result;
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* t = qobject_cast<QTextTable*>(frame)) {
            result.append(t);
        }
    }
    return result;
}

std::string pngHex() {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toHex().toStdString();
}

} // namespace

TEST(RtfQtDocument, CharacterAndParagraphFormats) {
    QTextDocument doc;
    loadRtf(doc, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                 "{\\colortbl;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}"
                 "\\pard\\qc\\li1440 {\\b\\fs40 Titel}\\par\\pard\\qr {\\i\\ul\\strike kursiv}"
                 " {\\f1\\cf1\\highlight2 blau} x{\\super 2}\\line neu\\par}");
    // The line break stays inside its paragraph.
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Titel\nkursiv blau x2\nneu"));
    EXPECT_EQ(doc.blockCount(), 2);
    QTextCharFormat title = formatAt(doc, QStringLiteral("Titel"));
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_EQ(title.fontPointSize(), 20.0);
    EXPECT_TRUE(title.fontFamilies().toStringList().contains(QStringLiteral("Arial")));
    QTextCharFormat k = formatAt(doc, QStringLiteral("kursiv"));
    EXPECT_TRUE(k.fontItalic() && k.fontUnderline() && k.fontStrikeOut());
    QTextCharFormat b = formatAt(doc, QStringLiteral("blau"));
    EXPECT_EQ(b.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(b.background().color(), QColor(255, 255, 0));
    EXPECT_TRUE(b.fontFamilies().toStringList().contains(QStringLiteral("Courier New")));
    EXPECT_EQ(formatAt(doc, QStringLiteral("2")).verticalAlignment(),
              QTextCharFormat::AlignSuperScript);
    QTextBlock first = doc.begin();
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(first.blockFormat().leftMargin(), 96.0); // one inch
    EXPECT_EQ(first.next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST(RtfQtDocument, TablesBecomeTextTables) {
    QTextDocument doc;
    loadRtf(doc, "{\\rtf1 Vor\\par\\trowd\\cellx1500\\cellx3000\\pard\\intbl Nr\\cell "
                 "{\\b Text}\\cell\\row\\trowd\\cellx1500\\cellx3000\\intbl 101\\cell Zeile 1\\par "
                 "Zeile 2\\cell\\row\\pard Nach\\par}");
    auto found = tables(doc);
    ASSERT_EQ(found.size(), 1);
    QTextTable* t = found[0];
    EXPECT_EQ(t->rows(), 2);
    EXPECT_EQ(t->columns(), 2);
    auto cellText = [&](int r, int c) {
        QTextTableCell cell = t->cellAt(r, c);
        QTextCursor cur = cell.firstCursorPosition();
        cur.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cur.selectedText();
    };
    EXPECT_EQ(cellText(0, 0), QStringLiteral("Nr"));
    EXPECT_EQ(cellText(1, 1), QStringLiteral("Zeile 1\u2029Zeile 2"));
    EXPECT_EQ(formatAt(doc, QStringLiteral("Text")).fontWeight(), QFont::Bold);
    QString plain = doc.toPlainText();
    EXPECT_TRUE(plain.startsWith(QStringLiteral("Vor\n")));
    EXPECT_TRUE(plain.endsWith(QStringLiteral("Nach")));
    // Column widths follow the cell boundaries: 1500 twips are 100 pixels.
    EXPECT_EQ(t->format().columnWidthConstraints().value(0).rawValue(), 100.0);
}

TEST(RtfQtDocument, CutOffTableIsStillShown) {
    QTextDocument doc;
    loadRtf(doc, "{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl A\\cell B\\cell C");
    auto found = tables(doc);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0]->columns(), 3);
    EXPECT_TRUE(doc.toPlainText().contains(QLatin1Char('C')));
}

TEST(RtfQtDocument, PicturesShownOrReplaced) {
    QTextDocument doc;
    std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450 " +
                      pngHex() + "}b{\\pict\\wmetafile8 0102}c{\\pict\\pngblip 0102}d}";
    loadRtf(doc, rtf);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 2);
    QTextCharFormat f = c.charFormat();
    ASSERT_TRUE(f.isImageFormat());
    QTextImageFormat image = f.toImageFormat();
    EXPECT_EQ(image.width(), 40.0);
    EXPECT_EQ(image.height(), 30.0);
    QImage stored = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
    EXPECT_EQ(stored.size(), QSize(4, 3));
    // A metafile and a broken PNG become visible placeholders.
    EXPECT_TRUE(doc.toPlainText().endsWith(QStringLiteral("b[Bild]c[Bild]d")));
}

TEST(RtfQtDocument, LoadingReplacesThePreviousContent) {
    QTextDocument doc;
    loadRtf(doc, "{\\rtf1 alt\\par alt}");
    loadRtf(doc, "{\\rtf1 neu}");
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("neu"));
    EXPECT_FALSE(doc.isUndoAvailable());
}
