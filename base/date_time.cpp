#include "date_time.h"

#include "error.h"
#include "text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace w98 {
namespace {

std::string pad(int value, int width) {
    std::string s = std::to_string(value);
    while (static_cast<int>(s.size()) < width)
        s.insert(s.begin(), '0');
    return s;
}

std::size_t runLength(std::string_view s, std::size_t i) {
    std::size_t j = i;
    while (j < s.size() && s[j] == s[i])
        ++j;
    return j - i;
}

char dateSeparator(std::string_view picture) {
    for (char c : picture)
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '\'')
            return c;
    return '-';
}

char timeSeparator(std::string_view picture) {
    for (char c : picture)
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '\'' && c != ' ')
            return c;
    return ':';
}

[[noreturn]] void invalid(std::string_view text) {
    throw Error("“" + std::string(text) + "”不是有效的日期和时间");
}

} // namespace

bool isValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int max = days[month - 1];
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        max = 29;
    return day <= max;
}

std::time_t timeOfLocal(const DateTime& local) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

DateTime localDateTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::uint32_t packDosDateTime(const DateTime& dt) {
    int year = std::clamp(dt.year, 1980, 2107);
    auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (dt.month << 5) | dt.day);
    auto time = static_cast<std::uint32_t>((dt.hour << 11) | (dt.minute << 5) | (dt.second / 2));
    return (date << 16) | (time & 0xFFFFu);
}

DateTime unpackDosDateTime(std::uint32_t packed) {
    std::uint32_t date = packed >> 16;
    std::uint32_t time = packed & 0xFFFFu;
    return {static_cast<int>((date >> 9) + 1980), static_cast<int>((date >> 5) & 0x0F),
            static_cast<int>(date & 0x1F),        static_cast<int>(time >> 11),
            static_cast<int>((time >> 5) & 0x3F), static_cast<int>((time & 0x1F) * 2)};
}

std::string formatDateTimePicture(std::string_view picture, const DateTime& dt) {
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        char c = picture[i];
        if (c == '\'') {
            std::size_t end = picture.find('\'', i + 1);
            if (end == std::string_view::npos)
                end = picture.size();
            out.append(picture.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        std::size_t n = runLength(picture, i);
        int w = n >= 2 ? 2 : 1;
        switch (c) {
        case 'y':
            out += n >= 3 ? pad(dt.year, 4) : n == 2 ? pad(dt.year % 100, 2) : std::to_string(dt.year % 100);
            break;
        case 'M':
            out += pad(dt.month, w);
            break;
        case 'd':
            out += pad(dt.day, w);
            break;
        case 'H':
            out += pad(dt.hour, w);
            break;
        case 'h':
            out += pad(dt.hour % 12 == 0 ? 12 : dt.hour % 12, w);
            break;
        case 'm':
            out += pad(dt.minute, w);
            break;
        case 's':
            out += pad(dt.second, w);
            break;
        case 't':
            out += dt.hour < 12 ? (n >= 2 ? "AM" : "A") : (n >= 2 ? "PM" : "P");
            break;
        default:
            out.append(n, c);
            break;
        }
        i += n;
    }
    return out;
}

std::string formatDateTimeText(std::string_view shortDate, std::string_view longTime, const DateTime& dt) {
    std::string s = formatDateTimePicture(shortDate, dt);
    if (dt.hour != 0 || dt.minute != 0 || dt.second != 0)
        s += " " + formatDateTimePicture(longTime, dt);
    return s;
}

DateTime parseDateTimeText(std::string_view text, std::string_view shortDate, std::string_view longTime,
                           int referenceYear) {
    // Order of the date fields, as the short date format gives them.
    std::vector<char> order;
    for (char c : shortDate) {
        char lc = lowerAscii(c);
        if ((lc == 'y' || lc == 'm' || lc == 'd') && std::find(order.begin(), order.end(), lc) == order.end())
            order.push_back(lc);
    }
    if (order.size() != 3)
        order = {'y', 'm', 'd'};
    const char dsep = dateSeparator(shortDate);
    const char tsep = timeSeparator(longTime);

    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    auto number = [&](int& value, int& digits) {
        skipBlanks();
        digits = 0;
        value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (digits >= 9)
                invalid(text);
            value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0)
            invalid(text);
    };

    int fields[3] = {};
    int yearDigits = 0;
    for (std::size_t f = 0; f < 3; ++f) {
        int digits = 0;
        number(fields[f], digits);
        if (order[f] == 'y')
            yearDigits = digits;
        if (f < 2) {
            skipBlanks();
            if (i >= text.size() || text[i] != dsep)
                invalid(text);
            ++i;
        }
    }
    DateTime dt;
    for (std::size_t f = 0; f < 3; ++f) {
        if (order[f] == 'y')
            dt.year = fields[f];
        else if (order[f] == 'm')
            dt.month = fields[f];
        else
            dt.day = fields[f];
    }
    if (yearDigits <= 2) {
        int century = referenceYear - referenceYear % 100;
        dt.year += century;
        if (dt.year < referenceYear - 50)
            dt.year += 100;
        else if (dt.year > referenceYear + 50)
            dt.year -= 100;
    }
    if (!isValidDate(dt.year, dt.month, dt.day))
        invalid(text);

    skipBlanks();
    if (i < text.size()) {
        int digits = 0;
        number(dt.hour, digits);
        skipBlanks();
        if (i >= text.size() || text[i] != tsep)
            invalid(text);
        ++i;
        number(dt.minute, digits);
        skipBlanks();
        if (i < text.size() && text[i] == tsep) {
            ++i;
            number(dt.second, digits);
        }
        skipBlanks();
        std::string rest(text.substr(i));
        for (auto& ch : rest)
            ch = upperAscii(ch);
        if (rest == "PM" || rest == "P") {
            if (dt.hour < 12)
                dt.hour += 12;
        } else if (rest == "AM" || rest == "A") {
            if (dt.hour == 12)
                dt.hour = 0;
        } else if (!rest.empty()) {
            invalid(text);
        }
        if (dt.hour > 23 || dt.minute > 59 || dt.second > 59)
            invalid(text);
    }
    return dt;
}

} // namespace w98
