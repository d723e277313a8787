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

QtRtfSink::QtRtfSink(QTextDocument& document) : m_document(document), m_cursor(&document) {
    m_cursor.movePosition(QTextCursor::End);
    m_blockUnused = document.isEmpty();
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(kDefaultTabPx);
    document.setDefaultTextOption(option);
}

QTextCharFormat QtRtfSink::charFormat(const CharFormat& f) {
    QTextCharFormat q;
    if (!f.fontName.empty()) {
        if (m_lastFontName != f.fontName) {
            m_lastFontName = std::string(f.fontName);
            m_lastFamilies = QStringList{
                QString::fromUtf8(f.fontName.data(), static_cast<qsizetype>(f.fontName.size()))};
        }
        q.setFontFamilies(m_lastFamilies);
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
    // In the order of Alignment's values.
    static constexpr Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                    Qt::AlignJustify};
    QTextBlockFormat b;
    b.setAlignment(kAlignments[static_cast<std::size_t>(f.align)]);
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
    m_pieces.push_back(Piece{std::move(s), charFormat(format)});
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
        m_pieces.push_back(Piece{QStringLiteral("[Bild]"), f});
        return;
    }
    qreal w = picture.goalWidthTwips > 0 ? twipsToPx(picture.goalWidthTwips) : image.width();
    qreal h = picture.goalHeightTwips > 0 ? twipsToPx(picture.goalHeightTwips) : image.height();
    w = std::clamp(w * picture.scaleX / 100.0, 1.0, kMaxImageSide);
    h = std::clamp(h * picture.scaleY / 100.0, 1.0, kMaxImageSide);
    QUrl name(QStringLiteral("rtfimage://%1").arg(++m_imageCount));
    m_document.addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat f;
    f.setName(name.toString());
    f.setWidth(w);
    f.setHeight(h);
    m_pieces.push_back(Piece{QString(), f});
}

void QtRtfSink::paragraphEnd(const ParaFormat& format) {
    Paragraph p{std::move(m_pieces), format};
    m_pieces.clear();
    if (format.inTable) {
        m_cell.push_back(std::move(p));
    } else {
        flushRow();
        writeBlock(p);
    }
}

void QtRtfSink::cellEnd(const ParaFormat& format) {
    m_cell.push_back(Paragraph{std::move(m_pieces), format});
    m_pieces.clear();
    m_cells.push_back(std::move(m_cell));
    m_cell.clear();
}

void QtRtfSink::rowEnd(const RowFormat& row) {
    if (!m_pieces.empty() || !m_cell.empty()) {
        cellEnd(ParaFormat{});
    }
    if (!m_cells.empty()) {
        writeRow(m_cells, row);
    }
    m_cells.clear();
}

void QtRtfSink::documentEnd(const ParaFormat& format) {
    if (format.inTable && (!m_pieces.empty() || !m_cell.empty())) {
        cellEnd(format);
    }
    flushRow();
    if (!m_pieces.empty()) {
        writeBlock(Paragraph{std::move(m_pieces), format});
        m_pieces.clear();
    }
}

// Cells whose row never ended (a cut-off table) are still shown.
void QtRtfSink::flushRow() {
    if (!m_cell.empty()) {
        m_cells.push_back(std::move(m_cell));
        m_cell.clear();
    }
    if (!m_cells.empty()) {
        writeRow(m_cells, RowFormat{});
        m_cells.clear();
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
    m_table = nullptr;
    if (m_blockUnused) {
        m_cursor.setBlockFormat(blockFormat(paragraph.format));
        m_blockUnused = false;
    } else {
        m_cursor.insertBlock(blockFormat(paragraph.format));
    }
    if (!paragraph.pieces.empty()) {
        m_cursor.setBlockCharFormat(paragraph.pieces.front().format);
    }
    writePieces(m_cursor, paragraph.pieces);
}

void QtRtfSink::writeRow(const std::vector<Cell>& cells, const RowFormat& row) {
    int columns = static_cast<int>(cells.size());
    if (m_table) {
        if (m_table->columns() < columns) {
            m_table->appendColumns(columns - m_table->columns());
        }
        m_table->appendRows(1);
    } else {
        if (!m_blockUnused) {
            m_cursor.insertBlock();
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
        m_table = m_cursor.insertTable(1, columns, tf);
    }
    int r = m_table->rows() - 1;
    for (int c = 0; c < columns; ++c) {
        QTextTableCell cell = m_table->cellAt(r, c);
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
    m_cursor.movePosition(QTextCursor::End);
    m_blockUnused = true;
}

} // namespace toolkit::rtf
