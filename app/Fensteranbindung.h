#pragma once
// The main window's doors to the table content window, set in one place.

#include "Tabelleninhalt.h"
#include "frmDataEnv.h"

inline void tabelleninhaltAnbinden()
{
    frmDataEnv::tabelleninhaltZeigen = [] { Tabelleninhalt::zeigen(); };
    frmDataEnv::tabelleninhaltEntladen = [] { Tabelleninhalt::entladen(); };
    Tabelleninhalt::setzeHauptfensterZeigen([] {
        if (!frmDataEnv::vorhanden())
            return;
        frmDataEnv& f = frmDataEnv::instanz();
        f.show();
        f.raise();
        f.activateWindow();
    });
}
