#pragma once
// The guidance that stands beside the links of the help pages.
#include <string>
#include <vector>

namespace korvane {

// How to search well (搜索).
const std::vector<std::string>& SearchAdviceLines();
// How to ask in a forum (智囊团).
const std::vector<std::string>& ForumAdviceLines();
// Asking a computer shop's technicians by phone (技术人员).
const std::vector<std::string>& TechnicianAdviceLines();
// Finding wallpapers and start-up sounds on the web (网络图片, 网络声音).
const std::vector<std::string>& WebPictureAdviceLines();
const std::vector<std::string>& WebSoundAdviceLines();

} // namespace korvane
