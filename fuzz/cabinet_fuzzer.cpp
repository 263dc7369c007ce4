// Cabinets as the restore reads them: the registry checker's own, or any file named *.cab in a
// backup folder. Any bytes give the entries or a FormatError; entries never name a place
// outside the folder they are unpacked into; the extract program writes nothing else.
#include "fuzz_machine.h"

#include "dos/dos_session.h"
#include "programs/tools.h"

#include "base/error.h"
#include "base/text.h"
#include "platform/cabinet.h"

#include <algorithm>
#include <sstream>
#include <tuple>

namespace {

using namespace korvane::fuzz;

constexpr const char* kCabinet = "C:\\FUZZ.CAB";
constexpr const char* kOut = "C:\\OUT";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    std::vector<w98::CabEntry> entries;
    try {
        entries = w98::readCabinet(asText(data, size), kCabinet);
    } catch (const w98::FormatError&) {
        return 0;
    }
    for (const auto& e : entries)
        check(e.name.find_first_of("\\/:") == std::string::npos, "an entry names a folder");

    try {
        // libgcab chooses the order in which it writes the files; the set is what counts.
        auto again = w98::readCabinet(w98::buildCabinet(entries), kCabinet);
        auto sorted = entries;
        for (auto* list : {&again, &sorted})
            std::sort(list->begin(), list->end(), [](const w98::CabEntry& a, const w98::CabEntry& b) {
                return std::tie(a.name, a.data, a.attributes) < std::tie(b.name, b.data, b.attributes);
            });
        check(again.size() == sorted.size(), "a rebuilt cabinet has other entries");
        for (std::size_t i = 0; i < again.size(); ++i)
            check(again[i].name == sorted[i].name && again[i].data == sorted[i].data &&
                      again[i].attributes == sorted[i].attributes,
                  "a rebuilt cabinet holds other files");
    } catch (const w98::Error&) {
        // Names libgcab will not write (empty ones) cannot be rebuilt; reading is what counts.
    }

    std::filesystem::remove_all(m.hostPath(kOut));
    put(kCabinet, asText(data, size));
    w98::DosSession session(m);
    std::ostringstream out;
    w98::extractTool(session, {"/y", "/e", "/l", kOut, kCabinet}, out);
    for (const auto& file : m.list(kOut)) {
        bool known = false;
        for (const auto& e : entries)
            known = known || (w98::equalsNoCase(e.name, file.name) &&
                              e.data == m.readFile(std::string(kOut) + "\\" + file.name));
        check(known, "extract wrote a file the cabinet does not hold");
    }
    return 0;
}
