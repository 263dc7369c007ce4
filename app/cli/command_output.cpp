#include "command_output.h"

#include "restore/restore_listing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace korvane::cli {

void PrintLine(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const std::string& utf8) {
    const std::string line = "korvane: " + utf8 + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void PrintJson(const QJsonValue& value) {
    const QByteArray text = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)
                                            : QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fflush(stdout);
}

std::string PointKind(const RestorePoint& point) {
    return point.extension == ".cab" ? "注册表备份文件包" : "注册表文件";
}

std::string PointLine(int number, const RestorePoint& point) {
    return std::to_string(number) + "\t" + point.shownDate + "\t" + point.note + "\t" + PointKind(point) +
           "\t" + PointFile(point);
}

QJsonObject PointJson(int number, const RestorePoint& point) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    return QJsonObject{{QStringLiteral("number"), number},
                       {QStringLiteral("date"), q(point.shownDate)},
                       {QStringLiteral("dateIso"), q(IsoDateTime(point.dosTime))},
                       {QStringLiteral("note"), q(point.note)},
                       {QStringLiteral("kind"), point.extension == ".cab" ? QStringLiteral("cabinet")
                                                                          : QStringLiteral("registry-pair")},
                       {QStringLiteral("file"), q(PointFile(point))}};
}

} // namespace korvane::cli
