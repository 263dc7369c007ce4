#pragma once
// What `w98 --help` says: how w98 is called and what each stand-in program does.
#include <ostream>
#include <string>

namespace w98 {

// The help text, listing every stand-in program with a line on what it does.
void printToolHelp(std::ostream& out);

// The message for a program name w98 does not stand in for.
std::string unknownToolMessage(const std::string& name);

// The message for w98 called without a program name.
std::string usageMessage();

} // namespace w98
