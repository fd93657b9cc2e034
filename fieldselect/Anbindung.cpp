#include "Anbindung.h"

#include "Datenbankfunktion.h"
#include "frmDataEnv.h"

namespace Anbindung {

namespace DB = Datenbankfunktion;

const Datenzugriff::Recordset* satzmenge() { return DB::Satzmenge.get(); }

std::int16_t auswahlAnzahl() { return DB::AuswahlAnzahl; }
void auswahlAnzahlSetzen(std::int16_t anzahl) { DB::AuswahlAnzahl = anzahl; }

void auswahlSetzen(const QString& abfrage, std::int16_t anzahl)
{
    DB::AbfrageSQL = abfrage;
    DB::AuswahlAnzahl = anzahl;
}

void datenbankVerbinden() { DB::DatenbankVerbinden(); }

QString tabellenname() { return frmDataEnv::vorhanden() ? frmDataEnv::instanz().tabellenText() : QString(); }

void ergebnislisteLeeren()
{
    if (frmDataEnv::vorhanden())
        frmDataEnv::instanz().ergebnisse().leeren();
}

bool suchlaufAktiv() { return frmDataEnv::vorhanden() && frmDataEnv::instanz().suchlaufAktiv(); }

void suchlaufBeobachten(QObject* empfaenger, std::function<void(bool)> was)
{
    if (frmDataEnv::vorhanden())
        QObject::connect(&frmDataEnv::instanz(), &frmDataEnv::suchlaufGeaendert, empfaenger, std::move(was));
}

}  // namespace Anbindung
