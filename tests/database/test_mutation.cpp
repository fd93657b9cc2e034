// Damaged files through the reader process: each ends in a result or a clean
// error within the watchdog time; the program never hangs or crashes.

#include "Mutation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Mutation, DamagedFilesEndInAResultOrAnError)
{
    QTemporaryDir dir;
    const int wartezeit = 3000;
    const Mutation::Ergebnis e = Mutation::laufen(dir.path(), 300, 1, QStringLiteral(LESER_PROGRAMM), wartezeit);
    EXPECT_EQ(e.gelesen + e.fehler + e.wache, 300);
    // Every file got an answer: none took much longer than the watchdog.
    EXPECT_LT(e.laengsteSekunden, wartezeit / 1000.0 + 3.0);
    // The mutations must really damage: some files fail, some still read.
    EXPECT_GT(e.fehler + e.wache, 0);
    EXPECT_GT(e.gelesen, 0);
    std::printf("gelesen %d, Fehler %d, Wache %d, längste %.2f s\n", e.gelesen, e.fehler, e.wache, e.laengsteSekunden);
}

}  // namespace
