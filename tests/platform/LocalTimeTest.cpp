#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/TimeZoneScope.h"

namespace {

// The tests run in Central European time: UTC+1, and UTC+2 from the last Sunday of March
// 02:00 to the last Sunday of October 03:00.

TEST(LocalTime, componentsRoundTripInWinterAndSummer) {
    for (const LocalTimeParts parts :
         {LocalTimeParts{2014, 1, 5, 14, 2, 7}, LocalTimeParts{2014, 6, 5, 14, 2, 7},
          LocalTimeParts{2000, 12, 31, 23, 59, 59}}) {
        const auto time = MakeLocalTime(parts);
        ASSERT_TRUE(time);
        const LocalTimeParts back = SplitLocalTime(*time);
        EXPECT_EQ(back.Year, parts.Year);
        EXPECT_EQ(back.Month, parts.Month);
        EXPECT_EQ(back.Day, parts.Day);
        EXPECT_EQ(back.Hour, parts.Hour);
        EXPECT_EQ(back.Minute, parts.Minute);
        EXPECT_EQ(back.Second, parts.Second);
    }
}

TEST(LocalTime, daylightSavingIsDecidedByTheLibrary) {
    const auto winter = MakeLocalTime({2014, 1, 5, 12, 0, 0});
    const auto summer = MakeLocalTime({2014, 6, 5, 12, 0, 0});
    ASSERT_TRUE(winter && summer);
    EXPECT_EQ(*winter % 86400, 11 * 3600) << "noon is 11:00 UTC in winter";
    EXPECT_EQ(*summer % 86400, 10 * 3600) << "and 10:00 UTC in summer";

    // Across the change in the night of 30 March 2014 an hour of the clock is skipped.
    const auto before = MakeLocalTime({2014, 3, 30, 1, 0, 0});
    const auto after = MakeLocalTime({2014, 3, 30, 4, 0, 0});
    ASSERT_TRUE(before && after);
    EXPECT_EQ(*after - *before, 2 * 3600);
}

TEST(LocalTime, impossibleComponentsAreRefused) {
    EXPECT_FALSE(MakeLocalTime({2014, 13, 1, 0, 0, 0}));
    EXPECT_FALSE(MakeLocalTime({2014, 0, 1, 0, 0, 0}));
    EXPECT_FALSE(MakeLocalTime({2014, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(MakeLocalTime({2014, 1, 1, 24, 0, 0}));
    EXPECT_FALSE(MakeLocalTime({2014, 1, 1, 0, 60, 0}));
    EXPECT_FALSE(MakeLocalTime({-5, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(MakeLocalTime({2147483647, 1, 1, 0, 0, 0}));
}

TEST(LocalTime, formatsOfTheProgram) {
    const auto time = MakeLocalTime({2014, 6, 5, 14, 2, 7});
    ASSERT_TRUE(time);
    EXPECT_EQ(FormatLocalTime(*time, "%d/%m/%y %H:%M:%S"), "05/06/14 14:02:07");
    EXPECT_EQ(FormatLocalTime(*time, "%y-%m-%d  %H.%M.%S"), "14-06-05  14.02.07");
    EXPECT_EQ(FormatLocalTime(*time, "%d-%m-%y/%H:%M:%S"), "05-06-14/14:02:07");
}

TEST(LocalTime, isoTimeCarriesTheOffsetInForce) {
    // 26 October 2014: 00:30 and 01:30 UTC are both 02:30 on the clock, once in summer time.
    const std::time_t repeatedHour = 1414283400;
    const struct {
        const char* Zone;
        std::time_t Time;
        const char* Expected;
        long Offset;
    } cases[] = {
        {nullptr, *MakeLocalTime({2014, 6, 5, 14, 2, 7}), "2014-06-05T14:02:07+02:00", 7200},
        {nullptr, *MakeLocalTime({2014, 1, 5, 9, 0, 0}), "2014-01-05T09:00:00+01:00", 3600},
        {nullptr, repeatedHour, "2014-10-26T02:30:00+02:00", 7200},
        {nullptr, repeatedHour + 3600, "2014-10-26T02:30:00+01:00", 3600},
        {"EST5EDT,M3.2.0,M11.1.0", repeatedHour, "2014-10-25T20:30:00-04:00", -14400},
        {"IST-5:30", repeatedHour, "2014-10-26T06:00:00+05:30", 19800},
    };
    for (const auto& c : cases) {
        std::optional<CTimeZoneScope> zone;
        if (c.Zone) {
            zone.emplace(c.Zone);
        }
        EXPECT_EQ(IsoLocalTime(c.Time), c.Expected);
        EXPECT_EQ(UtcOffsetSeconds(c.Time), c.Offset) << c.Expected;
    }
}

}  // namespace
