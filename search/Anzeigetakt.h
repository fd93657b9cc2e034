#pragma once
// When a display that a long run updates is worth repainting: at most once
// per interval. Asking the clock costs more than a record, so it is asked
// only on every n-th call.

#include <cstdint>
#include <limits>

class Anzeigetakt {
public:
    // abstandMs: the shortest time between two repaints; jedeN: the clock is
    // read on every n-th call only; sofort: the first reading is due at once
    // (otherwise only abstandMs after zero on the clock).
    Anzeigetakt(std::int64_t abstandMs, int jedeN, bool sofort)
        : abstand_(abstandMs), jedeN_(jedeN < 1 ? 1 : jedeN), zuletzt_(sofort ? std::numeric_limits<std::int64_t>::min() / 2 : 0)
    {
    }

    // uhr() gives milliseconds since the start of the run.
    template <class Uhr>
    bool faellig(Uhr&& uhr)
    {
        if (--bisZurUhr_ > 0)
            return false;
        bisZurUhr_ = jedeN_;
        const std::int64_t jetzt = uhr();
        if (jetzt - zuletzt_ < abstand_)
            return false;
        zuletzt_ = jetzt;
        return true;
    }

private:
    std::int64_t abstand_;
    int jedeN_;
    int bisZurUhr_ = 1;  // the first call reads the clock
    std::int64_t zuletzt_;
};
