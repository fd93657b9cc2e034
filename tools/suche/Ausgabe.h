#pragma once
// What the command-line search puts on standard output, in the forms grep
// users know: one line per hit (text), one JSON object per hit, only the
// names of files with hits (-l), counts per table (-c) or nothing (-q). The
// protocol's own bytes (--format protokoll, --protokoll) are the protocol
// writer's; this is everything else.

#include "Aufruf.h"
#include "Suchlauf.h"
#include "Vergleich.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

namespace Kommandozeile {

// A text on one line: line breaks, tabs, the other control characters (C0,
// DEL, C1), bidirectional controls and the line and paragraph separators
// become escapes (\n \r \t \xHH \uHHHH), a backslash is doubled. No value
// can then forge a line or move a terminal's cursor, and `wc -l` counts hits.
// Messages on standard error keep their backslashes single (Windows paths
// of linked tables read as they are): rueckstriche false.
QString einzeilig(QStringView text, bool rueckstriche = true);
void einzeiligAnhaengen(QString& ziel, QStringView text, bool rueckstriche = true);

// Where the search text occurs in a value that it matched: start and length
// of each occurrence, left to right, not overlapping; by the rule of the
// search (case folded, an inner "*" one character in wildcard mode).
struct Stelle {
    qsizetype anfang;
    qsizetype laenge;
};
std::vector<Stelle> fundstellen(const Suche::Suchmuster& muster, QStringView wert);

// The encoding of text on standard output: the locale's character set, as
// nl_langinfo gives it where the locale is installed, else as its name
// carries it ("de_DE.ISO-8859-15"); UTF-8 where neither names one, and for
// C and POSIX, whose ASCII cannot show a single umlaut.
QString ausgabeKodierung(const QString& langinfo, const QString& localeName);

// One JSON object on one line, UTF-8: datei, tabelle, satz, feld, wert,
// and with a field selection "felder", the record's selected fields by name
// (null for Null). Written here, not through QJsonObject: a search for "*"
// writes a line for every field, and that was ten times the search's time.
QByteArray jsonZeile(const QString& datei, const QString& tabelle, const Suche::Suchlauf::Treffer& t);

// What the search does after a hit.
enum class Weiter { Ja, NaechsteTabelle, NaechsteDatei, Ende };

// After the given number of hits in the current table: -q ends the run at
// the first, -l goes on with the next file, -m N with the next table.
Weiter weiterNachTreffer(const Aufruf& aufruf, qint64 tabellenTreffer);

// Where a table's hits go: the output itself, or a file's record that the
// folder search writes out in file order.
class Trefferziel {
public:
    virtual ~Trefferziel() = default;
    virtual void tabelleBeginnt(const QString& datei, const QString& tabelle) = 0;
    virtual Weiter treffer(const Suche::Suchlauf::Treffer& t) = 0;
    virtual void tabelleFertig() = 0;  // searched to its end (or to -m)
};

class Ausgabe final : public Trefferziel {
public:
    using Weiter = Kommandozeile::Weiter;

    // zeile takes each line without its end; json lines are UTF-8 bytes.
    struct Ziel {
        std::function<void(QStringView)> text;
        std::function<void(const QByteArray&)> json;
    };
    // mitOrt: each line names file and table (more than one reachable).
    Ausgabe(const Aufruf& aufruf, bool mitOrt, bool farbig, Ziel ziel);

    void tabelleBeginnt(const QString& datei, const QString& tabelle) override;
    Weiter treffer(const Suche::Suchlauf::Treffer& t) override;
    void tabelleFertig() override;
    void schluss(double gesamt);

private:
    void wertMitFarbe(QString& ziel, QStringView wert) const;
    void trefferZeile(double satz, QStringView feld, QStringView wert, bool markieren);

    const Aufruf& aufruf_;
    bool mitOrt_;
    bool farbig_;
    Ziel ziel_;
    std::unique_ptr<Suche::Suchmuster> muster_;  // for the colours only
    QString datei_, tabelle_;
    QString ort_;  // file and table as each line shows them
    QString zeile_;
    qint64 tabellenTreffer_ = 0;
    bool dateiGenannt_ = false;
};

}  // namespace Kommandozeile
