// zelk-mdb-schreiben DESCRIPTION FILE.mdb: builds a Jet database from a
// text description (see Beschreibung.h).

#include "Beschreibung.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: %s BESCHREIBUNG DATEI.mdb\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: kann nicht gelesen werden\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        mdbwriter::buildFromDescription(text.str(), argv[2]);
    } catch (const mdbwriter::Error& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
