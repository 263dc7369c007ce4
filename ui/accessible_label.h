#pragma once
// Command labels reach the accessibility tree as what they are: a command is a button named
// by its caption that can be pressed; a heading is static text.
namespace korvane::ui {

// Installs the accessibility factory for command labels; further calls do nothing.
void installAccessibility();

} // namespace korvane::ui
