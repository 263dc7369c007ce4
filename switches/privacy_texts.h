#pragma once
// The texts that the "隐私" page shows in its memo.
namespace korvane {

inline constexpr const char* kBootPasswordHelp = "在启动Win98后，在键盘按〔ESC〕键或用鼠标点击〔×〕、〔取消〕"
                                                 "都不能进入win98。只有输入密码才可以正常进入win98";
inline constexpr const char* kBootPasswordMethod = "操作方法：点击下面的标题即可瞬间完成";
inline constexpr const char* kBiosPasswordHint = "开机按〔Del〕键进入COMS设置，";
inline constexpr const char* kSwitchesNeedRestart = "提醒：本设置有时需重新启动电脑才可生效的~";

} // namespace korvane
