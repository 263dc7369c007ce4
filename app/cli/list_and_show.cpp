// korvane list and korvane show N: they read the machine and write nothing.
#include "command_output.h"
#include "command_request.h"
#include "command_session.h"
#include "commands.h"

#include "base/error.h"
#include "restore/point_preview.h"

#include <QJsonArray>

namespace korvane::cli {

int ListPoints(CommandSession& session, const CommandRequest& request) {
    const RestoreListing listed = session.listedPoints();
    QJsonArray rows;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (request.json)
            rows.append(PointJson(number, listed[i]));
        else
            PrintLine(PointLine(number, listed[i]));
    }
    if (request.json)
        PrintJson(rows);
    return 0;
}

int ShowPoint(CommandSession& session, const CommandRequest& request) {
    const NumberedPoint chosen = CommandSession::chosenPoint(request, session.listedPoints());
    PointPreview preview(session.machine().root(), session.paths().WinDir, session.paths().BootDrive);
    const auto lines = preview.lines(chosen.point);
    if (!lines)
        throw w98::Error("没有得到这个还原点的预览。");
    if (request.json) {
        QJsonObject shown = PointJson(chosen.number, chosen.point);
        QJsonArray changes;
        for (const std::string& line : *lines)
            changes.append(QString::fromStdString(line));
        shown.insert(QStringLiteral("preview"), changes);
        PrintJson(shown);
        return 0;
    }
    for (const std::string& line : *lines)
        PrintLine(line);
    return 0;
}

} // namespace korvane::cli
