// Damaged files through the reader process: each ends in a result or a clean
// error; the program never hangs or crashes (a hang ends in CTest's timeout;
// how long the longest file takes is bench_mutation's figure).

#include "Mutation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// 2 000 damaged files in four slices of different seeds, so that CTest runs
// them side by side; the long campaign is bench_mutation.
class Mutation_ : public ::testing::TestWithParam<int> {};

TEST_P(Mutation_, DamagedFilesEndInAResultOrAnError)
{
    constexpr int anzahl = 500;
    QTemporaryDir dir;
    const int wartezeit = 3000;
    const std::uint64_t ersteSaat = 1 + std::uint64_t(GetParam()) * anzahl;
    const Mutation::Ergebnis e = Mutation::laufen(dir.path(), anzahl, ersteSaat, QStringLiteral(LESER_PROGRAMM), wartezeit);
    EXPECT_EQ(e.gelesen + e.fehler + e.wache, anzahl);
    // The mutations must really damage: some files fail, some still read.
    EXPECT_GT(e.fehler + e.wache, 0);
    EXPECT_GT(e.gelesen, 0);
    std::printf("gelesen %d, Fehler %d, Wache %d, längste %.2f s\n", e.gelesen, e.fehler, e.wache, e.laengsteSekunden);
}

INSTANTIATE_TEST_SUITE_P(Scheibe, Mutation_, ::testing::Range(0, 4));

}  // namespace
