// zelk-feldspur-leser: the reader in a process of its own. libmdb can loop
// forever, read past its buffers or ask for gigabytes on a damaged file; here
// that costs the program a message, never its windows.
//
// Requests come on standard input, answers go out on a private copy of
// standard output (libmdb's own prints are sent to standard error).

#include "Leser.h"
#include "LeserProtokoll.h"
#include "Leserdienst.h"
#include "Plattenzugriff.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace Datenzugriff;

namespace {

using Uhr = std::chrono::steady_clock;

void speicherBegrenzen()
{
#ifndef ZF_SANITIZE_BUILD  // the sanitizers reserve terabytes of address space
    // A damaged length can make libmdb ask for gigabytes: better it fails.
    rlimit grenze{};
    grenze.rlim_cur = grenze.rlim_max = rlim_t(2) * 1024 * 1024 * 1024;
    setrlimit(RLIMIT_AS, &grenze);
#endif
}

// Called for every page read: a sign of life a few times a second, so that
// long healthy reads never run into the program's watchdog.
std::function<void()> lebenszeichen(Leserkanal& kanal)
{
    return [&kanal, letztes = Uhr::now()]() mutable {
        const auto jetzt = Uhr::now();
        if (jetzt - letztes > std::chrono::milliseconds(200)) {
            letztes = jetzt;
            Protokoll::Schreiber leer;
            kanal.senden(Protokoll::Antwort::Fortschritt, leer);
        }
    };
}

// While a page read waits for the disk, no page is read and the sign of
// life above stays away: this thread says instead that the reader waits
// for the disk, so the program can wait longer for it than for a reader
// that has stopped.
void plattenwache(Leserkanal& kanal)
{
    std::thread([&kanal] {
        auto wartetSeit = Uhr::time_point();
        auto letztes = Uhr::time_point();
        while (true) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            const auto jetzt = Uhr::now();
            if (!Plattenzugriff::laeuft()) {
                wartetSeit = {};
                continue;
            }
            if (wartetSeit == Uhr::time_point())
                wartetSeit = jetzt;
            if (jetzt - wartetSeit >= std::chrono::milliseconds(100) && jetzt - letztes >= std::chrono::milliseconds(100)) {
                letztes = jetzt;
                Protokoll::Schreiber platte;
                platte.u8(Protokoll::FortschrittPlatte);
                kanal.senden(Protokoll::Antwort::Fortschritt, platte);
            }
        }
    }).detach();
}

}  // namespace

int main()
{
    Leserkanal kanal(0, ::dup(1));
    ::dup2(2, 1);
    speicherBegrenzen();
    plattenwache(kanal);
    auto leser = erzeugeKodierendenMdbLeser(lebenszeichen(kanal));
    Leserdienst dienst(*leser, kanal);
    // Past the heartbeat thread, which still holds the channel.
    std::_Exit(dienst.laufen());
}
