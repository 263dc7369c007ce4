#pragma once
// Calendar date and time as Windows 98 shows them: packed MS-DOS date-times and the
// locale's short date and long time formats.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace w98 {

struct DateTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

bool isValidDate(int year, int month, int day);

DateTime localDateTime(std::time_t t);
// The moment a local date and time names (daylight saving as the zone has it then).
std::time_t timeOfLocal(const DateTime& local);

// Packed MS-DOS date-time: year - 1980, month and day in the high 16 bits, hours, minutes
// and seconds / 2 in the low 16 bits. Years outside 1980..2107 are clamped into that range.
std::uint32_t packDosDateTime(const DateTime& dt);
DateTime unpackDosDateTime(std::uint32_t packed);

// Formats with Windows locale pictures: y yy yyyy, M MM, d dd, H HH h hh, m mm, s ss, tt;
// text in single quotes is literal.
std::string formatDateTimePicture(std::string_view picture, const DateTime& dt);

// The date in the short date format, a blank and the time in the long time format;
// the time is left out when it is exactly midnight.
std::string formatDateTimeText(std::string_view shortDate, std::string_view longTime, const DateTime& dt);

// Reads a date (and optional time) as the locale's formats order them: the order of year,
// month and day comes from the short date format, the separators are those of the formats.
// A year of one or two digits lies within 50 years of the reference year.
// Throws w98::Error "'text' is not a valid date and time" when the text is no valid date.
DateTime parseDateTimeText(std::string_view text, std::string_view shortDate, std::string_view longTime,
                           int referenceYear);

} // namespace w98
