#include "Mehrfachsuche.h"

#include "Anweisung.h"
#include "Auswahlmodell.h"
#include "Fehler.h"
#include "Suchlauf.h"
#include "Tabellenkatalog.h"

#include <QFileInfo>

namespace Kommandozeile {

namespace {

// The rows of a mask as --felder and --info tick them.
class Maske final : public Suche::Feldmaske {
public:
    explicit Maske(std::vector<Auswahlmodell::Zeile> zeilen) : zeilen_(std::move(zeilen)) {}
    int zeilenAnzahl() const override { return int(zeilen_.size()); }
    QString feldname(int zeile) const override { return zeilen_[std::size_t(zeile)].feldname; }
    bool suchen(int zeile) const override { return zeilen_[std::size_t(zeile)].suchen; }

private:
    std::vector<Auswahlmodell::Zeile> zeilen_;
};

}  // namespace

Feldwahl feldwahl(const QStringList& spalten, const QStringList& felder, const QStringList& info)
{
    Feldwahl w;
    auto enthaelt = [](const QStringList& namen, const QString& spalte) { return namen.contains(spalte, Qt::CaseInsensitive); };
    for (const QStringList* namen : {&felder, &info})
        for (const QString& n : *namen)
            if (!spalten.contains(n, Qt::CaseInsensitive) && !w.fehlend.contains(n))
                w.fehlend << n;
    // One row per column in table order, ticked as the mask would be: a
    // field named in both lists is searched (a row holds one tick).
    for (const QString& s : spalten) {
        const bool suchen = enthaelt(felder, s);
        w.zeilen.push_back({s, suchen, !suchen && enthaelt(info, s)});
    }
    return w;
}

QString ueberschrift(const QString& datei, const QString& tabelle)
{
    return QStringLiteral(">>Datei: ") + datei + QStringLiteral("\tTabelle: ") + tabelle;
}

bool mehrereTabellen(const Aufruf& aufruf)
{
    if (aufruf.alleTabellen || aufruf.pfade.size() != 1)
        return true;
    return QFileInfo(aufruf.pfade.front()).isDir();
}

Mehrfachsuche::Mehrfachsuche(const Aufruf& aufruf, Protokoll::Schreiber& protokoll,
                             Datenzugriff::Connection::LeserFabrik fabrik)
    : aufruf_(aufruf), protokoll_(protokoll), verbindung_(std::move(fabrik)), ueberschriften_(mehrereTabellen(aufruf))
{
}

void Mehrfachsuche::melden(const QString& ort, const QString& meldung, Bilanz& bilanz)
{
    ++bilanz.fehler;
    if (fehler)
        fehler(ort, meldung);
}

Bilanz Mehrfachsuche::laufen(const std::vector<Fundstelle>& dateien)
{
    Bilanz bilanz;
    for (const Fundstelle& f : dateien) {
        if (!f.fehler.isEmpty()) {
            melden(f.pfad, f.fehler, bilanz);
            continue;
        }
        const QString grund = dateiPruefen(f.pfad);
        if (!grund.isEmpty()) {
            melden(f.pfad, grund, bilanz);
            continue;
        }
        dateiDurchsuchen(f.pfad, bilanz);
    }
    return bilanz;
}

void Mehrfachsuche::dateiDurchsuchen(const QString& pfad, Bilanz& bilanz)
{
    QStringList tabellen;
    try {
        if (verbindung_.State() == Datenzugriff::adStateOpen)
            verbindung_.Close();
        verbindung_.Open(QStringLiteral("DBQ=") + QFileInfo(pfad).absoluteFilePath() + QLatin1Char(';'));
        tabellen = aufruf_.alleTabellen ? Datenzugriff::auswertbareTabellen(verbindung_) : QStringList{aufruf_.tabelle};
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        melden(pfad, e.Description(), bilanz);
        return;
    }
    if (tabellen.isEmpty() && hinweis)
        hinweis(pfad, QStringLiteral("keine auswertbare Tabelle in der Datenbank gefunden"));
    for (const QString& tabelle : tabellen) {
        try {
            tabelleDurchsuchen(pfad, tabelle, bilanz);
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            melden(pfad + QStringLiteral(": Tabelle „") + tabelle + QStringLiteral("“"), e.Description(), bilanz);
            // The reader gave up on the file; its other tables would only say so again.
            if (e.Number() == Datenzugriff::FehlerBeschaedigt || e.Number() == Datenzugriff::FehlerLeseprozess)
                break;
        }
    }
    try {
        verbindung_.Close();
    } catch (const Datenzugriff::DatenzugriffsFehler&) {
    }
}

void Mehrfachsuche::tabelleDurchsuchen(const QString& pfad, const QString& tabelle, Bilanz& bilanz)
{
    if (tabelleBeginnt)
        tabelleBeginnt(pfad, tabelle);
    // With a field selection, the statement the mask would build.
    QString anweisung = Datenzugriff::alleFelderAnweisung(tabelle);
    std::unique_ptr<Maske> maske;
    std::int16_t auswahlAnzahl = 0;
    if (!aufruf_.felder.isEmpty() || !aufruf_.info.isEmpty()) {
        QStringList spalten;
        for (const Datenzugriff::SpaltenInfo& s : verbindung_.leser().spalten(tabelle))
            spalten << s.name;
        const Feldwahl w = feldwahl(spalten, aufruf_.felder, aufruf_.info);
        if (!w.fehlend.isEmpty()) {
            const QString text = QStringLiteral("keine Felder %1 in dieser Tabelle; sie wird nicht durchsucht").arg(w.fehlend.join(u','));
            // Among all tables of a file, one without the fields is no failure.
            if (aufruf_.alleTabellen) {
                if (hinweis)
                    hinweis(pfad + QStringLiteral(": Tabelle „") + tabelle + QStringLiteral("“"), text);
            } else {
                melden(pfad + QStringLiteral(": Tabelle „") + tabelle + QStringLiteral("“"), text, bilanz);
            }
            return;
        }
        const Auswahlmodell::Auswahl a = Auswahlmodell::uebernehmen(w.zeilen, tabelle);
        anweisung = a.abfrage;
        maske = std::make_unique<Maske>(w.zeilen);
        auswahlAnzahl = a.anzahl;
    }
    Datenzugriff::Recordset satzmenge;
    satzmenge.Open(anweisung, verbindung_, Datenzugriff::adOpenDynamic, Datenzugriff::adLockOptimistic);
    if (ueberschriften_)
        protokoll_.setzeUeberschrift(ueberschrift(pfad, tabelle));
    Suche::Suchlauf lauf(satzmenge, protokoll_, nullptr, maske.get(), auswahlAnzahl);
    lauf.felddruck();
    lauf.suchtext = [this] { return aufruf_.suchtext; };
    lauf.platzhalter = [this] { return aufruf_.platzhalter; };
    if (saetze)
        lauf.ereignisse = [this, &lauf] { saetze(lauf.satz()); };
    try {
        lauf.durchsuchen();
    } catch (...) {
        // Hits before the failure are written and counted; the heading of a
        // table without lines is not.
        bilanz.treffer += lauf.treffer();
        protokoll_.setzeUeberschrift(QString());
        throw;
    }
    if (!lauf.schaeden().empty()) {
        // What could be read was searched; the damage counts as a failure.
        protokoll_.zeile(lauf.unvollstaendigZeile());
        melden(pfad + QStringLiteral(": Tabelle „") + tabelle + QStringLiteral("“"),
               QStringLiteral("unvollständig durchsucht, beschädigt: ") + lauf.schadenGruende(3).join(QStringLiteral("; ")), bilanz);
    }
    protokoll_.setzeUeberschrift(QString());
    if (saetze)
        saetze(lauf.satz());  // the last records since the last report
    satzmenge.Close();
    bilanz.treffer += lauf.treffer();
    ++bilanz.tabellen;
}

}  // namespace Kommandozeile
