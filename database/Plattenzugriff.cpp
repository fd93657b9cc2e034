#include "Plattenzugriff.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace Datenzugriff {
namespace {

std::atomic<int> g_laufend{0};

// A disk as slow as a bad network share, for the tests of the watchdog:
// every page read waits this long (ZELK_LESER_SEITENPAUSE_MS).
int seitenpauseMs()
{
    static const int pause = [] {
        const char* wert = std::getenv("ZELK_LESER_SEITENPAUSE_MS");
        return wert ? std::max(0, std::atoi(wert)) : 0;
    }();
    return pause;
}

}  // namespace

Plattenzugriff::Plattenzugriff()
{
    g_laufend.fetch_add(1, std::memory_order_relaxed);
    if (const int pause = seitenpauseMs(); pause > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
}

Plattenzugriff::~Plattenzugriff() { g_laufend.fetch_sub(1, std::memory_order_relaxed); }

bool Plattenzugriff::laeuft() { return g_laufend.load(std::memory_order_relaxed) > 0; }

}  // namespace Datenzugriff
