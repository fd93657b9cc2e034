#pragma once
// The search run over an open recordset: record by record, field by field,
// with the hit lines into the result list and the protocol. The window and
// the command-line search share it.

#include "Datenzugriff.h"
#include "Protokoll.h"
#include "Vergleich.h"
#include "Werttext.h"

#include <QLocale>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class Ergebnisliste;

namespace Suche {

// What the run reads of the field selection mask: its rows, each with the
// field name (caption of fldBez) and the search box (fldSchalter).
class Feldmaske {
public:
    virtual ~Feldmaske() = default;
    virtual int zeilenAnzahl() const = 0;
    virtual QString feldname(int zeile) const = 0;
    virtual bool suchen(int zeile) const = 0;
};

// The mask window registers itself here while it exists.
void setzeFeldmaske(const Feldmaske* maske);
const Feldmaske* feldmaske();

class Suchlauf {
public:
    static constexpr int EreignisTakt = 30;  // records between two processings of events

    // liste may be null (command line); maske is read only when auswahlAnzahl != 0.
    Suchlauf(Datenzugriff::Recordset& satzmenge, Protokoll::Schreiber& protokoll, Ergebnisliste* liste,
             const Feldmaske* maske, int auswahlAnzahl, const QLocale& locale = QLocale::system());

    // Read again after every processing of events, as the user may change them.
    std::function<QString()> suchtext;
    std::function<bool()> platzhalter;
    std::function<void(double satz)> satzAnzeigen;  // for every record
    std::function<void()> ereignisse;               // every EreignisTakt records
    std::function<bool()> abgebrochen;              // checked after the events

    // Each hit as it is written, for the command line's own forms of output:
    // the record, the field that matched and its value text; with a field
    // selection also the record's fields as the block lists them. Returning
    // false ends the run after this hit (grep's -m, -l, -q).
    struct Treffer {
        double satz;
        QString feld;
        QStringView wert;
        std::vector<Protokoll::Feldwert> block;
    };
    std::function<bool(const Treffer&)> trefferGefunden;
    // Values whose kind cannot hold the search text's characters are not
    // turned into text, and the reader gives only rows with a value that
    // could hold them. Off, every value is matched: the same hits, slower.
    bool vorfilter = true;

    void felddruck();
    void durchsuchen();
    // After a cancel its line, after damage the line that says the run is
    // incomplete, then 29 minus signs and the total.
    void schlusszeilen();
    // The line for damage met, for the list and the protocol; empty without.
    QString unvollstaendigZeile() const;
    // The message at the end of a run that met damage, naming the file
    // (lines joined by CR, as the program's messages are); empty without.
    QString schadenMeldung(const QString& datei) const;
    // Each damage as "Seite N: reason", the first few and how many more.
    QStringList schadenGruende(std::size_t hoechstens) const;

    double satz() const { return satz_; }
    double treffer() const { return treffer_; }
    bool wurdeAbgebrochen() const { return abbruch_; }
    // The damage the reader read past: what it could read was searched.
    const std::vector<Datenzugriff::Schaden>& schaeden() const { return schaeden_; }
    const QString& tabelle() const { return tabelle_; }

private:
    void einstellungenLesen();
    void filterBerechnen();
    // Hands the reader a candidate filter for the current search text and
    // fields, when either changed since the last one.
    void kandidatenfilterSetzen();
    void zeile(const QString& text);  // list and protocol
    void trefferZeile(int feld, QStringView wert);  // protocol only
    void schleife();  // the records, until the end or a cancel
    bool satzDurchsuchen(const std::vector<const Datenzugriff::Wert*>& werte, QString& puffer);
    void zusatzfelder(const std::vector<const Datenzugriff::Wert*>& werte);
    bool trefferMelden(const std::vector<const Datenzugriff::Wert*>& werte, int feld, QStringView text);

    Datenzugriff::Recordset& satzmenge_;
    Protokoll::Schreiber& protokoll_;
    Ergebnisliste* liste_;
    const Feldmaske* maske_;
    int auswahlAnzahl_;
    QLocale locale_;
    Datenzugriff::Werttext werttext_;
    std::unique_ptr<Suchmuster> muster_;
    QString musterText_;
    bool musterPlatzhalter_ = true;
    QStringList namen_;
    std::vector<char> gesucht_;  // per field: the mask lets it be a hit
    bool filterVeraltet_ = true;  // the reader's candidate filter is not that of muster_ and gesucht_
    // Per kind of value: can its value text contain every literal character
    // of the pattern? Numbers never contain "Hoffmann", so they are skipped.
    std::array<char, 16> moeglich_{};
    double satz_ = 0;
    double treffer_ = 0;
    bool abbruch_ = false;
    std::vector<Datenzugriff::Schaden> schaeden_;
    QString tabelle_;
    QString zeile_;  // the hit line being written
};

}  // namespace Suche
