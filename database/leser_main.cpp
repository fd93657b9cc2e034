// zelk-feldspur-leser: the reader in a process of its own. libmdb can loop
// forever, read past its buffers or ask for gigabytes on a damaged file; here
// that costs the program a message, never its windows.
//
// Requests come on standard input, answers go out on a private copy of
// standard output (libmdb's own prints are sent to standard error).

#include "Leser.h"
#include "LeserProtokoll.h"
#include "Leserdienst.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

using namespace Datenzugriff;

namespace {

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
    return [&kanal, letztes = std::chrono::steady_clock::now()]() mutable {
        const auto jetzt = std::chrono::steady_clock::now();
        if (jetzt - letztes > std::chrono::milliseconds(200)) {
            letztes = jetzt;
            Protokoll::Schreiber leer;
            kanal.senden(Protokoll::Antwort::Fortschritt, leer);
        }
    };
}

}  // namespace

int main()
{
    Leserkanal kanal(0, ::dup(1));
    ::dup2(2, 1);
    speicherBegrenzen();
    auto leser = erzeugeKodierendenMdbLeser(lebenszeichen(kanal));
    Leserdienst dienst(*leser, kanal);
    return dienst.laufen();
}
