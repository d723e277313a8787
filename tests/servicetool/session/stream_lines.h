#pragma once
// What the controller sent, cut into its lines: CR LF, LF CR, a lone CR or a lone LF ends
// one (pairs taken from the left); the last one may be unended. The reference the protocol is
// checked against.

#include <string>
#include <vector>

inline std::vector<std::string> controllerLines(const std::string& sent) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] == '\r' || sent[i] == '\n') {
            if (i + 1 < sent.size() && (sent[i + 1] == '\r' || sent[i + 1] == '\n') &&
                sent[i + 1] != sent[i]) {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += sent[i];
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}
