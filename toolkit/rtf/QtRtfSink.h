#pragma once
// Builds a QTextDocument from what the reader finds: formatted runs, paragraphs, tables as
// QTextTable, PNG and JPEG pictures as images and other pictures as a placeholder.

#include "toolkit/rtf/RtfSink.h"

#include <QImage>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <vector>

namespace toolkit::rtf {

class QtRtfSink : public RtfSink {
public:
    // Appends to the end of document, which should be empty.
    explicit QtRtfSink(QTextDocument& document);

    void text(std::u16string_view text, const CharFormat& format) override;
    void picture(const Picture& picture, const CharFormat& format) override;
    void paragraphEnd(const ParaFormat& format) override;
    void cellEnd(const ParaFormat& format) override;
    void rowEnd(const RowFormat& row) override;
    void documentEnd(const ParaFormat& format) override;

private:
    struct Piece {
        QString text; // empty for an image
        QTextCharFormat format;
    };
    struct Paragraph {
        std::vector<Piece> pieces;
        ParaFormat format;
    };
    using Cell = std::vector<Paragraph>;

    QTextCharFormat charFormat(const CharFormat& f);
    static QTextBlockFormat blockFormat(const ParaFormat& f);
    void writeBlock(const Paragraph& paragraph);
    void writeRow(const std::vector<Cell>& cells, const RowFormat& row);
    void flushRow();
    static void writePieces(QTextCursor& cursor, const std::vector<Piece>& pieces);

    QTextDocument& m_document;
    QTextCursor m_cursor;
    bool m_blockUnused = true; // the cursor's block is empty and may take the next paragraph
    std::vector<Piece> m_pieces;
    Cell m_cell;
    std::vector<Cell> m_cells;
    QTextTable* m_table = nullptr;
    int m_imageCount = 0;
    std::string m_lastFontName;
    QStringList m_lastFamilies;
};

} // namespace toolkit::rtf
