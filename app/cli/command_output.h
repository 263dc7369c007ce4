#pragma once
// What the commands print: UTF-8, one record a line, no colour; messages go to standard
// error as "korvane: " and the message, which may run over several lines.
#include "restore/restore_point.h"

#include <QJsonObject>
#include <QJsonValue>
#include <string>

namespace korvane::cli {

void PrintLine(const std::string& utf8);
void PrintError(const std::string& utf8);
void PrintJson(const QJsonValue& value);

// The kind of a point: a cabinet of the registry checker, or a pair of registry files.
std::string PointKind(const RestorePoint& point);

// One point as `korvane list` prints it: number, date as the table shows it, note, kind and
// file, separated by tabs.
std::string PointLine(int number, const RestorePoint& point);
QJsonObject PointJson(int number, const RestorePoint& point);

} // namespace korvane::cli
