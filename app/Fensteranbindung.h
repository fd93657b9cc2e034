#pragma once
// The main window's doors to the field selection mask and the table content
// window, and the table window's way back: set in one place, for the
// program, its window tests and its benchmarks.

#include "Feldauswahl.h"
#include "Nebenfenster.h"
#include "Tabelleninhalt.h"
#include "frmDataEnv.h"

class Programmfenster final : public Nebenfenster {
public:
    void feldauswahlZeigen() override { Feldauswahl::zeigen(); }
    void feldauswahlEntladen() override { Feldauswahl::entladen(); }
    void tabelleninhaltZeigen() override { Tabelleninhalt::zeigen(); }
    void tabelleninhaltBeiSatzZeigen(std::int64_t satz, const QString& feld) override { Tabelleninhalt::zeigenBeiSatz(satz, feld); }
    void tabelleninhaltEntladen() override { Tabelleninhalt::entladen(); }
};

inline void fensterAnbinden(frmDataEnv& hauptfenster)
{
    static Programmfenster fenster;
    hauptfenster.setzeNebenfenster(&fenster);
    Tabelleninhalt::setzeHauptfensterZeigen([] {
        if (!frmDataEnv::vorhanden())
            return;
        frmDataEnv& f = frmDataEnv::instanz();
        f.show();
        f.raise();
        f.activateWindow();
    });
}
