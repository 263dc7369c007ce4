#pragma once
// The text of the browser's window title, typed by the user after the prefix "标题栏：".
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kTitlePrefix = "标题栏：";
inline constexpr const char* kTitlePrefixMissing = "不好意思，[标题栏：]要保留，要不然，我不知道您的意思^－^";
inline constexpr const char* kTitlePrefixMisplaced = "不好意思，请在〔标题栏：〕后面输入文字。^－^";
inline constexpr const char* kTitleStored = "重新启动电脑你就会看到IE标题栏已该为：";

// Stores the text after the prefix as the browser's window title and returns the message that
// says so; without the prefix at the start, stores nothing and returns the message that
// explains why. A title that cannot be stored raises its error.
std::string StoreWindowTitle(w98::Machine& m, const std::string& text);

} // namespace korvane
