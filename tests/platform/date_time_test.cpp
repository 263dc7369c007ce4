#include "base/date_time.h"
#include "base/error.h"

#include <gtest/gtest.h>

using w98::DateTime;

TEST(DosDateTime, PacksWithTwoSecondUnits) {
    DateTime dt{2002, 5, 17, 8, 5, 13};
    std::uint32_t p = w98::packDosDateTime(dt);
    EXPECT_EQ(p >> 16, static_cast<std::uint32_t>((22 << 9) | (5 << 5) | 17));
    EXPECT_EQ(p & 0x1F, 6u); // 13 seconds are 6 two-second units
    EXPECT_EQ(w98::unpackDosDateTime(p), (DateTime{2002, 5, 17, 8, 5, 12}));
    // The key grows from 9 to 10 decimal digits late in 2009.
    EXPECT_LT(w98::packDosDateTime({2009, 12, 26, 23, 59, 58}), 1000000000u);
    EXPECT_GE(w98::packDosDateTime({2009, 12, 27, 0, 0, 0}), 1000000000u);
}

TEST(DateFormats, ShortDateAndLongTime) {
    DateTime dt{2002, 5, 17, 8, 5, 12};
    EXPECT_EQ(w98::formatDateTimePicture("yy-M-d", dt), "02-5-17");
    EXPECT_EQ(w98::formatDateTimePicture("yyyy/MM/dd", dt), "2002/05/17");
    EXPECT_EQ(w98::formatDateTimePicture("H:mm:ss", dt), "8:05:12");
    EXPECT_EQ(w98::formatDateTimePicture("hh:mm tt", DateTime{2002, 5, 17, 13, 0, 0}), "01:00 PM");
    EXPECT_EQ(w98::formatDateTimeText("yy-M-d", "H:mm:ss", dt), "02-5-17 8:05:12");
    EXPECT_EQ(w98::formatDateTimeText("yy-M-d", "H:mm:ss", DateTime{2002, 5, 17, 0, 0, 0}), "02-5-17");
}

TEST(DateFormats, ParsesInTheOrderOfTheFormat) {
    EXPECT_EQ(w98::parseDateTimeText("2002-5-17 8:05:12", "yy-M-d", "H:mm:ss", 2026),
              (DateTime{2002, 5, 17, 8, 5, 12}));
    EXPECT_EQ(w98::parseDateTimeText("02-5-17", "yy-M-d", "H:mm:ss", 2026), (DateTime{2002, 5, 17, 0, 0, 0}));
    EXPECT_EQ(w98::parseDateTimeText("99-12-31", "yy-M-d", "H:mm:ss", 2026),
              (DateTime{1999, 12, 31, 0, 0, 0}));
    EXPECT_EQ(w98::parseDateTimeText("17/5/2002", "d/M/yyyy", "H:mm", 2026),
              (DateTime{2002, 5, 17, 0, 0, 0}));
    EXPECT_EQ(w98::parseDateTimeText("2002-5-17 1:00:00 PM", "yy-M-d", "h:mm:ss tt", 2026).hour, 13);
}

TEST(DateFormats, RejectsWhatIsNoDate) {
    // A four-digit year behind the "20" prefix makes a six-digit year.
    for (const char* bad : {"202002-5-17 8:05:12", "02-13-1", "02-2-30", "", "x", "02-5-17 25:00:00",
                            "02-5-17 8:05 zz", "9999999999-1-1"})
        EXPECT_THROW(w98::parseDateTimeText(bad, "yy-M-d", "H:mm:ss", 2026), w98::Error) << bad;
    try {
        w98::parseDateTimeText("02-13-1", "yy-M-d", "H:mm:ss", 2026);
    } catch (const w98::Error& e) {
        EXPECT_STREQ(e.what(), "“02-13-1”不是有效的日期和时间");
    }
}
