#include "GemeinsamerZustand.h"

#include "Datenbankfunktion.h"

namespace DB = Datenbankfunktion;
namespace DZ = Datenzugriff;

namespace GemeinsamerZustand {

Quelle aktuelleQuelle()
{
    return {DB::verbindungstext(DB::DatenbankVerzeichnis, DB::DatenbankDatei), DB::DatenbankVerzeichnis + DB::DatenbankDatei,
            DB::AbfrageSQL};
}

bool satzmengeOffen() { return DB::Satzmenge && DB::Satzmenge->State() == DZ::adStateOpen; }

void satzmengeSchliessen() { DB::Satzmenge->Close(); }

void satzmengeKeysetOeffnen()
{
    if (!DB::Satzmenge)
        DB::Satzmenge = std::make_shared<DZ::Recordset>();
    DB::Satzmenge->setCursorType(DZ::adOpenKeyset);
    DB::Satzmenge->setLockType(DZ::adLockPessimistic);
    DB::Satzmenge->Open(DB::AbfrageSQL, DB::Verbindung(), DZ::adOpenUnspecified, DZ::adLockUnspecified, -1);
}

std::int64_t satzmengeAnzahl() { return DB::Satzmenge->RecordCount(); }

void satzmengeZumErstenSatz() { DB::Satzmenge->MoveFirst(); }

bool satzmengeVomFenster()
{
    return satzmengeOffen() && DB::Satzmenge->CursorType() == DZ::adOpenKeyset && DB::Satzmenge->LockType() == DZ::adLockPessimistic;
}

void satzmengeFreigeben()
{
    DB::Satzmenge->Close();
    DB::Satzmenge.reset();
}

}  // namespace GemeinsamerZustand
