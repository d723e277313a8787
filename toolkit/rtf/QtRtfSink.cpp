#include "toolkit/rtf/QtRtfSink.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextImageFormat>
#include <QTextTableFormat>
#include <QUrl>
#include <algorithm>

namespace toolkit::rtf {

namespace {

// A twip is 1/20 point; the view lays out at 96 pixels per inch, so 15 twips make a pixel.
qreal twipsToPx(int twips) {
    return twips / 15.0;
}

QColor toColour(Rgb rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr qreal kMaxImageSide = 4000;
constexpr qreal kDefaultTabPx = 48; // every half inch, as word processors do

// The view measures tab positions from where the first line starts; the document measures
// them from the paragraph's left edge. A hanging first line has a stop at the left indent.
QList<QTextOption::Tab> tabPositions(const ParaFormat& f) {
    int lineStart = f.leftIndent + f.firstIndent;
    std::vector<int> stops = f.tabStops;
    if (f.firstIndent < 0) {
        stops.push_back(f.leftIndent);
    }
    std::sort(stops.begin(), stops.end());
    QList<QTextOption::Tab> tabs;
    int last = 0;
    for (int stop : stops) {
        int relative = stop - lineStart;
        if (relative > last) {
            tabs.append(QTextOption::Tab(twipsToPx(relative), QTextOption::LeftTab));
            last = relative;
        }
    }
    return tabs;
}

} // namespace

QtRtfSink::QtRtfSink(QTextDocument& document) : document_(document), cursor_(&document) {
    cursor_.movePosition(QTextCursor::End);
    blockUnused_ = document.isEmpty();
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(kDefaultTabPx);
    document.setDefaultTextOption(option);
}

QTextCharFormat QtRtfSink::charFormat(const CharFormat& f) {
    QTextCharFormat q;
    if (!f.fontName.empty()) {
        if (lastFontName_ != f.fontName) {
            lastFontName_ = std::string(f.fontName);
            lastFamilies_ = QStringList{
                QString::fromUtf8(f.fontName.data(), static_cast<qsizetype>(f.fontName.size()))};
        }
        q.setFontFamilies(lastFamilies_);
    }
    q.setFontPointSize(f.halfPoints / 2.0);
    if (f.bold) {
        q.setFontWeight(QFont::Bold);
    }
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    q.setFontStrikeOut(f.strike);
    if (f.smallCaps) {
        q.setFontCapitalization(QFont::SmallCaps);
    } else if (f.allCaps) {
        q.setFontCapitalization(QFont::AllUppercase);
    }
    if (f.valign == VerticalAlign::Super) {
        q.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    } else if (f.valign == VerticalAlign::Sub) {
        q.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    }
    if (f.foreground != kAutoColour) {
        q.setForeground(toColour(f.foreground));
    }
    if (f.background != kAutoColour) {
        q.setBackground(toColour(f.background));
    }
    return q;
}

QTextBlockFormat QtRtfSink::blockFormat(const ParaFormat& f) {
    QTextBlockFormat b;
    switch (f.align) {
    case Alignment::Left:
        b.setAlignment(Qt::AlignLeft);
        break;
    case Alignment::Center:
        b.setAlignment(Qt::AlignHCenter);
        break;
    case Alignment::Right:
        b.setAlignment(Qt::AlignRight);
        break;
    case Alignment::Justify:
        b.setAlignment(Qt::AlignJustify);
        break;
    }
    // A negative first-line indent hangs the first line into the left indent.
    b.setLeftMargin(std::max(0.0, twipsToPx(f.leftIndent)));
    b.setRightMargin(std::max(0.0, twipsToPx(f.rightIndent)));
    b.setTextIndent(twipsToPx(f.firstIndent));
    b.setTopMargin(twipsToPx(f.spaceBefore));
    b.setBottomMargin(twipsToPx(f.spaceAfter));
    b.setTabPositions(tabPositions(f));
    return b;
}

void QtRtfSink::text(std::u16string_view text, const CharFormat& format) {
    QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    pieces_.push_back(Piece{std::move(s), charFormat(format)});
}

void QtRtfSink::picture(const Picture& picture, const CharFormat& format) {
    QImage image;
    if (picture.type == PictureType::Png || picture.type == PictureType::Jpeg) {
        image.loadFromData(reinterpret_cast<const uchar*>(picture.data.data()),
                           static_cast<int>(std::min<std::size_t>(picture.data.size(), INT32_MAX)),
                           picture.type == PictureType::Png ? "PNG" : "JPG");
    }
    if (image.isNull()) {
        QTextCharFormat f = charFormat(format);
        f.setFontItalic(true);
        f.setForeground(QColor(Qt::darkGray));
        pieces_.push_back(Piece{QStringLiteral("[Bild]"), f});
        return;
    }
    qreal w = picture.goalWidthTwips > 0 ? twipsToPx(picture.goalWidthTwips) : image.width();
    qreal h = picture.goalHeightTwips > 0 ? twipsToPx(picture.goalHeightTwips) : image.height();
    w = std::clamp(w * picture.scaleX / 100.0, 1.0, kMaxImageSide);
    h = std::clamp(h * picture.scaleY / 100.0, 1.0, kMaxImageSide);
    QUrl name(QStringLiteral("rtfimage://%1").arg(++imageCount_));
    document_.addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat f;
    f.setName(name.toString());
    f.setWidth(w);
    f.setHeight(h);
    pieces_.push_back(Piece{QString(), f});
}

void QtRtfSink::paragraphEnd(const ParaFormat& format) {
    Paragraph p{std::move(pieces_), format};
    pieces_.clear();
    if (format.inTable) {
        cell_.push_back(std::move(p));
    } else {
        flushRow();
        writeBlock(p);
    }
}

void QtRtfSink::cellEnd(const ParaFormat& format) {
    cell_.push_back(Paragraph{std::move(pieces_), format});
    pieces_.clear();
    cells_.push_back(std::move(cell_));
    cell_.clear();
}

void QtRtfSink::rowEnd(const RowFormat& row) {
    if (!pieces_.empty() || !cell_.empty()) {
        cellEnd(ParaFormat{});
    }
    if (!cells_.empty()) {
        writeRow(cells_, row);
    }
    cells_.clear();
}

void QtRtfSink::documentEnd(const ParaFormat& format) {
    if (format.inTable && (!pieces_.empty() || !cell_.empty())) {
        cellEnd(format);
    }
    flushRow();
    if (!pieces_.empty()) {
        writeBlock(Paragraph{std::move(pieces_), format});
        pieces_.clear();
    }
}

// Cells whose row never ended (a cut-off table) are still shown.
void QtRtfSink::flushRow() {
    if (!cell_.empty()) {
        cells_.push_back(std::move(cell_));
        cell_.clear();
    }
    if (!cells_.empty()) {
        writeRow(cells_, RowFormat{});
        cells_.clear();
    }
}

void QtRtfSink::writePieces(QTextCursor& cursor, const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces) {
        if (piece.text.isEmpty()) {
            cursor.insertImage(piece.format.toImageFormat());
        } else {
            cursor.insertText(piece.text, piece.format);
        }
    }
}

void QtRtfSink::writeBlock(const Paragraph& paragraph) {
    table_ = nullptr;
    if (blockUnused_) {
        cursor_.setBlockFormat(blockFormat(paragraph.format));
        blockUnused_ = false;
    } else {
        cursor_.insertBlock(blockFormat(paragraph.format));
    }
    if (!paragraph.pieces.empty()) {
        cursor_.setBlockCharFormat(paragraph.pieces.front().format);
    }
    writePieces(cursor_, paragraph.pieces);
}

void QtRtfSink::writeRow(const std::vector<Cell>& cells, const RowFormat& row) {
    int columns = static_cast<int>(cells.size());
    if (table_) {
        if (table_->columns() < columns) {
            table_->appendColumns(columns - table_->columns());
        }
        table_->appendRows(1);
    } else {
        if (!blockUnused_) {
            cursor_.insertBlock();
        }
        QTextTableFormat tf;
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderCollapse(true);
        tf.setCellPadding(3);
        tf.setCellSpacing(0);
        tf.setMargin(4);
        if (static_cast<int>(row.cellRightEdges.size()) == columns) {
            QList<QTextLength> widths;
            int left = row.leftEdge;
            for (int edge : row.cellRightEdges) {
                widths.append(
                    QTextLength(QTextLength::FixedLength, std::max(8.0, twipsToPx(edge - left))));
                left = edge;
            }
            tf.setColumnWidthConstraints(widths);
        }
        table_ = cursor_.insertTable(1, columns, tf);
    }
    int r = table_->rows() - 1;
    for (int c = 0; c < columns; ++c) {
        QTextTableCell cell = table_->cellAt(r, c);
        if (static_cast<std::size_t>(c) < row.cellBackgrounds.size() &&
            row.cellBackgrounds[static_cast<std::size_t>(c)] != kAutoColour) {
            QTextCharFormat shade = cell.format();
            shade.setBackground(toColour(row.cellBackgrounds[static_cast<std::size_t>(c)]));
            cell.setFormat(shade);
        }
        QTextCursor cc = cell.firstCursorPosition();
        bool first = true;
        for (const Paragraph& p : cells[static_cast<std::size_t>(c)]) {
            if (!first) {
                cc.insertBlock(blockFormat(p.format));
            } else {
                cc.setBlockFormat(blockFormat(p.format));
            }
            first = false;
            writePieces(cc, p.pieces);
        }
    }
    cursor_.movePosition(QTextCursor::End);
    blockUnused_ = true;
}

} // namespace toolkit::rtf
