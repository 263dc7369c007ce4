#pragma once
// The knowledge texts (UTF-8) as the widgets take them.
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

inline QString FromUtf8View(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QStringList ToLines(const std::vector<std::string>& lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        out << QString::fromStdString(line);
    return out;
}

} // namespace korvane
