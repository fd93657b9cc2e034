// The repaint throttle of the search run: which calls repaint, and which
// calls read the clock at all.

#include "Anzeigetakt.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

struct Fall {
    const char* name;
    std::int64_t abstandMs;
    int jedeN;
    bool sofort;
    std::vector<std::int64_t> uhr;  // what the clock says at call i (read or not)
    std::string erwartet;           // per call: '+' repaint, 'u' clock read without repaint, '.' neither
};

class Anzeigetakt_ : public ::testing::TestWithParam<Fall> {};

TEST_P(Anzeigetakt_, RepaintsAtMostOncePerIntervalAndReadsTheClockOnlyEveryNthCall)
{
    const Fall& f = GetParam();
    Anzeigetakt takt(f.abstandMs, f.jedeN, f.sofort);
    std::string ergebnis;
    for (std::size_t i = 0; i < f.uhr.size(); ++i) {
        bool gelesen = false;
        const bool faellig = takt.faellig([&] {
            gelesen = true;
            return f.uhr[i];
        });
        ergebnis += faellig ? '+' : gelesen ? 'u' : '.';
    }
    EXPECT_EQ(ergebnis, f.erwartet);
}

std::vector<std::int64_t> jeAufrufEineMs(int n)
{
    std::vector<std::int64_t> v(std::size_t(n), 0);
    std::iota(v.begin(), v.end(), 1);
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, Anzeigetakt_,
    ::testing::Values(
        // The record number: at once for the first record, then the clock on
        // every 16th record, a repaint when 40 ms have passed since the last.
        Fall{"Satznummer", 40, 16, true, jeAufrufEineMs(50),
             "+...............u...............u...............+."},
        // The list: the clock starts with the run, nothing is due before 200 ms.
        Fall{"Liste", 200, 1, false, {0, 150, 199, 200, 250, 399, 400, 401}, "uuu+uu+u"},
        // The interval counts from the last repaint, not from the last reading.
        Fall{"VomLetztenZeigen", 100, 2, true, {0, 0, 90, 90, 150, 150, 180, 180, 260, 260}, "+.u.+.u.+."},
        // A clock that stood still (a slow record) is no reason to repaint twice.
        Fall{"StehendeUhr", 10, 1, true, {5, 5, 5, 16, 16}, "+uu+u"},
        // n below 1 is taken as 1.
        Fall{"NNull", 10, 0, false, {0, 10, 15, 20}, "u+u+"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
