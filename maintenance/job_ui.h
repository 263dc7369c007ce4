#pragma once
// What a maintenance job asks of the page it runs on: lines for the page's text area, a
// question with Yes and No, a message box, and a chance for the window to repaint before a
// long wait.
#include <functional>
#include <string>

namespace korvane {

struct JobUi {
    std::function<void(const std::string&)> addLine;
    std::function<bool(const std::string&)> confirm;
    std::function<void(const std::string&)> message;
    std::function<void()> processEvents;
};

} // namespace korvane
