#include "SettingsFile.h"

#include "toolkit/Win1252.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cstdint>

namespace printcapture {

namespace {

constexpr std::size_t kShownLength = 60;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

SettingsLines splitSettingsFile(std::string_view bytes) {
    SettingsLines out;
    std::size_t n = 0;
    std::size_t i = 0;
    while (n < out.line.size() && i < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", i), bytes.size());
        out.line[n++] = std::string(bytes.substr(i, end - i));
        i = end;
        if (i < bytes.size()) {
            i += bytes.compare(i, 2, "\r\n") == 0 ? 2 : 1;
        }
    }
    return out;
}

std::optional<int> toInteger(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

LoadedSettings interpretSettings(const SettingsLines& lines) {
    LoadedSettings out;
    out.settingsText = lines.line[0];
    std::optional<int>* const place[] = {&out.top, &out.left, &out.width};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string& text = lines.line[i + 1];
        *place[i] = toInteger(text);
        if (!*place[i]) {
            out.notAnInteger = text;
            return out;
        }
    }
    out.maxLines = toInteger(lines.line[4]).value_or(kDefaultLineLimit);
    return out;
}

int lineLimitFromAnswer(std::string_view answer) {
    return std::clamp(toInteger(answer).value_or(kDefaultLineLimit), kMinLineLimit, kMaxLineLimit);
}

std::string composeSettingsFile(std::string_view settingsText, const WindowPlace& place,
                                int maxLines) {
    std::string out;
    for (const std::string& line :
         {std::string(settingsText), std::to_string(place.top), std::to_string(place.left),
          std::to_string(place.width), std::to_string(maxLines)}) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::optional<std::string> readSettingsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray data = file.read(static_cast<qint64>(kReadBound));
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

QString notAnIntegerMessage(std::string_view text) {
    QString shown = toolkit::fromWin1252(text.substr(0, kShownLength));
    for (QChar& c : shown) {
        if (c.unicode() < 0x20) {
            c = QLatin1Char('?');
        }
    }
    if (text.size() > kShownLength) {
        shown += QStringLiteral("...");
    }
    return QStringLiteral("'%1' ist kein gültiger Integerwert").arg(shown);
}

} // namespace printcapture
