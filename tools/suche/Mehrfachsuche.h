#pragma once
// The search over many files and tables: every file through one connection
// (the reader process with its watchdog, started anew after a damaged file),
// every table through the search run of the window. A file or table that
// fails is reported and the search goes on.

#include "Aufruf.h"
#include "Ausgabe.h"
#include "Auswahlmodell.h"
#include "Dateisammlung.h"
#include "Datenzugriff.h"
#include "Protokoll.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Suche {
class Feldmaske;
}

namespace Kommandozeile {

struct Bilanz {
    double treffer = 0;
    int tabellen = 0;  // searched to their end
    int fehler = 0;    // files and tables reported as failed
};

// The heading above the lines of one table when more than one is searched.
QString ueberschrift(const QString& datei, const QString& tabelle);

// Whether the call can reach more than one table: then each table's lines
// get their heading.
bool mehrereTabellen(const Aufruf& aufruf);

// --felder and --info on a table's columns: the mask's rows in column order
// (names as the table spells them), and the names the table lacks.
struct Feldwahl {
    std::vector<Auswahlmodell::Zeile> zeilen;
    QStringList fehlend;
};
Feldwahl feldwahl(const QStringList& spalten, const QStringList& felder, const QStringList& info);

struct Verteiler;  // the files of a search over several at once
struct Ereignis;   // one thing a worker did, to be done again in order

class Mehrfachsuche {
public:
    // ausgabe may be null: the protocol alone.
    Mehrfachsuche(const Aufruf& aufruf, Protokoll::Schreiber& protokoll, Trefferziel* ausgabe,
                  Datenzugriff::Connection::LeserFabrik fabrik);

    // Files searched at once, each through its own reader; their lines,
    // messages and counts are written out in file order, the same bytes as
    // one file after the other.
    int gleichzeitig = 1;

    std::function<void(const QString& ort, const QString& meldung)> fehler;  // a failure: counts for the exit code
    std::function<void(const QString& ort, const QString& meldung)> hinweis;  // worth saying, no failure
    std::function<void(const QString& datei, const QString& tabelle)> tabelleBeginnt;
    std::function<void(double satz)> saetze;  // every 30 records of the current table

    // Writes the lines of every table; the closing lines are the caller's.
    // A write error of the protocol (Protokoll::Schreibfehler) ends it.
    Bilanz laufen(const std::vector<Fundstelle>& dateien);
    // --tabellen: the tables of every file as mdb-tables -1 lists them
    // (user tables, linked ones not), nothing searched.
    Bilanz tabellenAuflisten(const std::vector<Fundstelle>& dateien, const std::function<void(const QString& datei, const QString& tabelle)>& tabelle);

private:
    Bilanz laufenVerteilt(const std::vector<Fundstelle>& dateien);
    void arbeiten(Verteiler& v, const std::vector<Fundstelle>& dateien);
    void wiedergeben(const Ereignis& e);
    // False when the run ends with this file (-q).
    bool dateiSuchen(const Fundstelle& f, Bilanz& bilanz);
    bool dateiOeffnen(const Fundstelle& f, Bilanz& bilanz);
    void dateiDurchsuchen(const QString& pfad, Bilanz& bilanz);
    void tabelleDurchsuchen(const QString& pfad, const QString& tabelle, Bilanz& bilanz);
    bool felderWaehlen(const QString& pfad, const QString& tabelle, Bilanz& bilanz, Datenzugriff::Anweisung& anweisung,
                       std::unique_ptr<Suche::Feldmaske>& maske, std::int16_t& auswahlAnzahl);
    void melden(const QString& ort, const QString& meldung, Bilanz& bilanz);

    const Aufruf& aufruf_;
    Protokoll::Schreiber& protokoll_;
    Trefferziel* ausgabe_;
    Weiter weiter_ = Weiter::Ja;
    Datenzugriff::Connection::LeserFabrik fabrik_;
    Datenzugriff::Connection verbindung_;
    bool ueberschriften_;
};

}  // namespace Kommandozeile
