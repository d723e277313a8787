#include "LineStoreRtf.h"

#include <QSaveFile>
#include <algorithm>

namespace toolkit {

namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

std::string colourTable(const std::vector<Rgb>& colours) {
    std::string out = "{\\colortbl ;";
    for (Rgb rgb : colours) {
        out += "\\red" + std::to_string((rgb >> 16) & 0xFF) + "\\green" +
               std::to_string((rgb >> 8) & 0xFF) + "\\blue" + std::to_string(rgb & 0xFF) + ";";
    }
    return out + "}";
}

// Receives the store's pieces and writes them out as they fill the buffer.
class RtfStream {
public:
    RtfStream(QSaveFile& file, std::vector<Rgb> colours) : m_file(file), m_colours(colours) {
        m_buffer.reserve(kFlushBytes + 64 * 1024);
    }
    void put(const std::string& bytes) {
        m_buffer += bytes;
        if (m_buffer.size() >= kFlushBytes) {
            flush();
        }
    }
    void text(std::string_view bytes, Rgb colour) {
        if (colour != m_colour || m_first) {
            const auto at = std::find(m_colours.begin(), m_colours.end(), colour);
            // A blank ends the control word; it is not part of the text.
            m_buffer += "\\cf" + std::to_string(at - m_colours.begin() + 1) + " ";
            m_colour = colour;
            m_first = false;
        }
        put(rtfEscape(std::string(bytes)));
    }
    void lineEnd() { put("\\par\r\n"); }
    bool flush() {
        if (m_ok && !m_buffer.empty()) {
            m_ok = m_file.write(m_buffer.data(), static_cast<qint64>(m_buffer.size())) ==
                   static_cast<qint64>(m_buffer.size());
        }
        m_buffer.clear();
        return m_ok;
    }

private:
    QSaveFile& m_file;
    std::vector<Rgb> m_colours;
    std::string m_buffer;
    Rgb m_colour = 0;
    bool m_first = true;
    bool m_ok = true;
};

} // namespace

bool saveLineStoreAsRtf(const LineStore& store, const QString& path, QString* error,
                        const RtfOptions& options) {
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const std::vector<Rgb> colours = store.colours();
        RtfStream stream(file, colours);
        stream.put(rtfHeader(options, colourTable(colours)));
        store.visit(stream);
        stream.put("\\par\r\n}\r\n");
        ok = stream.flush() && file.commit();
    }
    if (!ok) {
        file.cancelWriting();
        if (error) {
            *error = file.errorString();
        }
    }
    return ok;
}

} // namespace toolkit
