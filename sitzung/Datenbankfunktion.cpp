#include "Datenbankfunktion.h"

#include "Anweisung.h"
#include "Fehler.h"
#include "Leser.h"
#include "Meldung.h"
#include "Tabellenkatalog.h"

#include <stdexcept>

namespace Datenbankfunktion {

namespace {
Hauptfenster* fenster_ = nullptr;

Hauptfenster& fenster()
{
    if (!fenster_)
        throw std::logic_error("Datenbankfunktion: kein Hauptfenster gesetzt");
    return *fenster_;
}
}  // namespace

Zustand zustand;

void setzeHauptfenster(Hauptfenster* f) { fenster_ = f; }

Datenzugriff::Connection& Zustand::Verbindung()
{
    // The reader runs in its own process: a damaged file that makes libmdb
    // hang or crash costs a message, not the program.
    if (!verbindung_)
        verbindung_ = std::make_unique<Datenzugriff::Connection>([] { return Datenzugriff::erzeugeProzessLeser(); });
    return *verbindung_;
}

void Zustand::verbindungErsetzen(std::unique_ptr<Datenzugriff::Connection> neu)
{
    if (Satzmenge && Satzmenge->State() == Datenzugriff::adStateOpen)
        Satzmenge->Close();
    Satzmenge.reset();
    if (verbindung_ && verbindung_->State() == Datenzugriff::adStateOpen)
        verbindung_->Close();
    verbindung_ = std::move(neu);
}

void Zustand::zuruecksetzen()
{
    verbindungErsetzen(nullptr);
    AbfrageSQL.clear();
    DatenbankVerzeichnis.clear();
    DatenbankDatei.clear();
    VerbindungsText.clear();
    KeineDatenbank = 0;
    AuswahlAnzahl = 0;
    KeineTabelle = 0;
}

QString mitSchraegstrich(const QString& pfad)
{
    return pfad.endsWith(u'/') ? pfad : pfad + u'/';
}

QString verbindungstext(const QString& verzeichnis, const QString& datei)
{
    return QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Mode=ReadWrite;Extended Properties=DSN=ZELK-Access;DBQ=")
        + verzeichnis + datei + QStringLiteral(";DefaultDir=") + verzeichnis
        + QStringLiteral(";DriverId=281;FIL=MS Access;MaxBufferSize=2048;PageTimeout=5;UID=admin;");
}

void DatenbankVerbinden()
{
    Hauptfenster& f = fenster();
    KeineDatenbank = 0;
    DatenbankVerzeichnis = mitSchraegstrich(f.verzeichnisPfad());
    DatenbankDatei = f.gewaehlteDatei();
    if (DatenbankDatei.isEmpty()) {
        Plattform::Meldung(QStringLiteral("es wurde keine Datenbank gewählt!"), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        KeineDatenbank = 1;
        return;
    }
    VerbindungsText = verbindungstext(DatenbankVerzeichnis, DatenbankDatei);
    Datenzugriff::Connection& v = Verbindung();
    if (v.State() == Datenzugriff::adStateOpen)
        v.Close();  // closes Satzmenge as well
    v.Open(VerbindungsText, QString(), QString(), -1);
    TabellenAuflisten();
    if (KeineTabelle == 1)
        return;
    if (AuswahlAnzahl != 0) {
        f.zustandZeigen(true);
    } else {
        AbfrageSQL = Datenzugriff::alleFelderAnweisung(f.tabellenText());
        f.zustandZeigen(false);
    }
    if (!Satzmenge)
        Satzmenge = std::make_shared<Datenzugriff::Recordset>();
    Satzmenge->Open(AbfrageSQL, v, Datenzugriff::adOpenDynamic, Datenzugriff::adLockOptimistic, -1);
}

void TabellenAuflisten()
{
    Hauptfenster& f = fenster();
    const QStringList namen = Datenzugriff::auswertbareTabellen(Verbindung());
    f.tabellenLeeren();
    f.tabellenHinweis(Datenzugriff::ausgelassenHinweis(Verbindung().leser().katalog(), namen));
    const int anzahl = int(namen.size());
    for (const QString& name : namen)
        f.tabelleHinzufuegen(name);
    if (f.tabellenText().isEmpty()) {
        if (anzahl <= 0) {
            Plattform::Meldung(QStringLiteral("keine auswertbare Tabelle in der Datenbank gefunden!"), Plattform::Symbol::Kritisch,
                               Plattform::Knoepfe::OK);
            KeineTabelle = 1;
        } else {
            f.ersteTabelleWaehlen();
        }
    }
}

}  // namespace Datenbankfunktion
