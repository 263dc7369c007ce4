#include "batch_file.h"

#include "platform/error.h"
#include "platform/machine.h"

namespace korvane {

void WriteBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (char c : lines[i])
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                throw w98::Error("The batch file " + path + " was not written: line " + std::to_string(i + 1) +
                                 " would hold a control character, which would make MS-DOS run a line of its own");
    m.writeTextLines(path, lines);
}

} // namespace korvane
