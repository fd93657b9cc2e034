// The repaint throttle of the search run: which calls repaint, and which
// calls read the clock at all.

#include "Anzeigetakt.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

TEST(Anzeigetakt, RepaintsAtMostOncePerIntervalAndReadsTheClockOnlyEveryNthCall)
{
    std::vector<std::int64_t> jeAufrufEineMs(50);
    std::iota(jeAufrufEineMs.begin(), jeAufrufEineMs.end(), 1);
    const struct {
        const char* name;
        std::int64_t abstandMs;
        int jedeN;
        bool sofort;
        std::vector<std::int64_t> uhr;  // what the clock says at call i (read or not)
        std::string erwartet;           // per call: '+' repaint, 'u' clock read without repaint, '.' neither
    } faelle[] = {
        // The record number: at once for the first record, then the clock on
        // every 16th record, a repaint when 40 ms have passed since the last.
        {"Satznummer", 40, 16, true, jeAufrufEineMs, "+...............u...............u...............+."},
        // The list: the clock starts with the run, nothing is due before 200 ms.
        {"Liste", 200, 1, false, {0, 150, 199, 200, 250, 399, 400, 401}, "uuu+uu+u"},
        // The interval counts from the last repaint, not from the last reading.
        {"VomLetztenZeigen", 100, 2, true, {0, 0, 90, 90, 150, 150, 180, 180, 260, 260}, "+.u.+.u.+."},
        // A clock that stood still (a slow record) is no reason to repaint twice.
        {"StehendeUhr", 10, 1, true, {5, 5, 5, 16, 16}, "+uu+u"},
        // n below 1 is taken as 1.
        {"NNull", 10, 0, false, {0, 10, 15, 20}, "u+u+"},
    };
    for (const auto& f : faelle) {
        Anzeigetakt takt(f.abstandMs, f.jedeN, f.sofort);
        std::string ergebnis;
        for (const std::int64_t uhr : f.uhr) {
            bool gelesen = false;
            const bool faellig = takt.faellig([&] {
                gelesen = true;
                return uhr;
            });
            ergebnis += faellig ? '+' : gelesen ? 'u' : '.';
        }
        EXPECT_EQ(ergebnis, f.erwartet) << f.name;
    }
}
