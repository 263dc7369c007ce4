// Date texts and the locale's pictures from machine.ini. Any text reads as a valid date and
// time or gives an error; a date the program writes in a locale's formats reads back the same.
#include "fuzz_machine.h"

#include "base/date_time.h"
#include "base/error.h"

#include <array>

namespace {

using namespace korvane::fuzz;

constexpr std::array<const char*, 6> kShortDates = {"yy-M-d",     "yyyy-MM-dd", "M/d/yy",
                                                    "dd.MM.yyyy", "yyyy/M/d",   "d-M-yy"};
constexpr std::array<const char*, 3> kLongTimes = {"H:mm:ss", "HH:mm:ss", "h:mm:ss tt"};

std::uint32_t take(std::string_view& in, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes && !in.empty(); ++i) {
        v = v << 8 | static_cast<unsigned char>(in.front());
        in.remove_prefix(1);
    }
    return v;
}

std::string_view line(std::string_view& in) {
    const std::size_t nl = in.find('\n');
    const std::string_view l = in.substr(0, nl);
    in.remove_prefix(nl == std::string_view::npos ? in.size() : nl + 1);
    return l;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in = asText(data, size);
    const std::uint32_t packed = take(in, 4);
    const int reference = 1900 + static_cast<int>(take(in, 1)) % 300;
    const std::string_view shortDate = line(in);
    const std::string_view longTime = line(in);
    const std::string_view text = in;

    // Free text in free pictures.
    try {
        const w98::DateTime dt = w98::parseDateTimeText(text, shortDate, longTime, reference);
        check(w98::isValidDate(dt.year, dt.month, dt.day), "an invalid date read");
        check(dt.hour >= 0 && dt.hour < 24 && dt.minute >= 0 && dt.minute < 60 && dt.second >= 0 &&
                  dt.second < 60,
              "an invalid time read");
    } catch (const w98::Error&) {
    }
    // Any packed time of a file, in any picture.
    const w98::DateTime fileTime = w98::unpackDosDateTime(packed);
    w98::formatDateTimeText(shortDate, longTime, fileTime);

    // A real date in the real formats comes back as it went.
    w98::DateTime dt{reference - 49 + static_cast<int>(packed % 99),
                     static_cast<int>(packed >> 8 & 0xFF) % 12 + 1,
                     1,
                     static_cast<int>(packed >> 16 & 0xFF) % 24,
                     static_cast<int>(packed >> 24) % 60,
                     static_cast<int>(packed >> 4 & 0xFF) % 60};
    dt.day = 1 + static_cast<int>(packed >> 12 & 0xFF) % 28;
    const char* sd = kShortDates[packed % kShortDates.size()];
    const char* lt = kLongTimes[(packed >> 3) % kLongTimes.size()];
    const std::string written = w98::formatDateTimeText(sd, lt, dt);
    w98::DateTime read;
    try {
        read = w98::parseDateTimeText(written, sd, lt, reference);
    } catch (const w98::Error& e) {
        std::fprintf(stderr, "%s (%s %s)\n", e.what(), sd, lt);
        fail("a date written in a locale's formats cannot be read back");
    }
    check(read == dt, "a date written in a locale's formats reads back as another");
    return 0;
}
