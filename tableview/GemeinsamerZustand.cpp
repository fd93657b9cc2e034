#include "GemeinsamerZustand.h"

#include "Datenbankfunktion.h"

namespace DB = Datenbankfunktion;
namespace DZ = Datenzugriff;

namespace GemeinsamerZustand {

namespace {
// The recordset this window opened and has not moved since: it stands on its
// first row already, and a MoveFirst would read its first rows once more.
const DZ::Recordset* frisch_ = nullptr;
}  // namespace

Quelle aktuelleQuelle()
{
    return {DB::VerbindungsText, DB::DatenbankVerzeichnis + DB::DatenbankDatei, DB::AbfrageSQL};
}

bool satzmengeOffen() { return DB::Satzmenge && DB::Satzmenge->State() == DZ::adStateOpen; }

void satzmengeSchliessen()
{
    frisch_ = nullptr;
    DB::Satzmenge->Close();
}

void satzmengeKeysetOeffnen()
{
    if (!DB::Satzmenge)
        DB::Satzmenge = std::make_shared<DZ::Recordset>();
    DB::Satzmenge->setCursorType(DZ::adOpenKeyset);
    DB::Satzmenge->setLockType(DZ::adLockPessimistic);
    DB::Satzmenge->Open(DB::AbfrageSQL, DB::Verbindung(), DZ::adOpenUnspecified, DZ::adLockUnspecified, -1);
    frisch_ = DB::Satzmenge.get();
}

std::int64_t satzmengeAnzahl() { return DB::Satzmenge->RecordCount(); }

void satzmengeZumErstenSatz()
{
    if (frisch_ == DB::Satzmenge.get() && satzmengeOffen())
        return;
    DB::Satzmenge->MoveFirst();
}

bool satzmengeVomFenster()
{
    return satzmengeOffen() && DB::Satzmenge->CursorType() == DZ::adOpenKeyset && DB::Satzmenge->LockType() == DZ::adLockPessimistic;
}

void satzmengeFreigeben()
{
    frisch_ = nullptr;
    DB::Satzmenge->Close();
    DB::Satzmenge.reset();
}

}  // namespace GemeinsamerZustand
