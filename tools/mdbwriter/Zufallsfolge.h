#pragma once
// The xorshift generator of the generated test data: fast, and the same
// numbers for the same seed on every machine, so that runs compare like
// with like.

#include <cstdint>

namespace mdbwriter {

class Zufallsfolge {
public:
    // zusatz keeps the sequences of different users of one seed apart.
    Zufallsfolge(std::uint64_t saat, std::uint64_t zusatz) : x_(saat * 0x9E3779B97F4A7C15ull + zusatz) {}

    std::uint64_t operator()()
    {
        x_ ^= x_ << 13;
        x_ ^= x_ >> 7;
        x_ ^= x_ << 17;
        return x_;
    }

private:
    std::uint64_t x_;
};

}  // namespace mdbwriter
