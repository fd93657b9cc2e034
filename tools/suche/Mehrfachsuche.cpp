#include "Mehrfachsuche.h"

#include "Anweisung.h"
#include "Ausgabe.h"
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

Mehrfachsuche::Mehrfachsuche(const Aufruf& aufruf, Protokoll::Schreiber& protokoll, Trefferziel* ausgabe,
                             Datenzugriff::Connection::LeserFabrik fabrik)
    : aufruf_(aufruf), protokoll_(protokoll), ausgabe_(ausgabe), fabrik_(fabrik), verbindung_(std::move(fabrik)),
      ueberschriften_(mehrereTabellen(aufruf))
{
}

void Mehrfachsuche::melden(const QString& ort, const QString& meldung, Bilanz& bilanz)
{
    ++bilanz.fehler;
    if (fehler)
        fehler(ort, meldung);
}

bool Mehrfachsuche::dateiOeffnen(const Fundstelle& f, Bilanz& bilanz)
{
    const QString grund = f.fehler.isEmpty() ? dateiPruefen(f.pfad) : f.fehler;
    if (!grund.isEmpty()) {
        melden(f.pfad, grund, bilanz);
        return false;
    }
    try {
        if (verbindung_.State() == Datenzugriff::adStateOpen)
            verbindung_.Close();
        verbindung_.Open(QStringLiteral("DBQ=") + QFileInfo(f.pfad).absoluteFilePath() + QLatin1Char(';'));
        return true;
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        melden(f.pfad, e.Description(), bilanz);
        return false;
    }
}

Bilanz Mehrfachsuche::laufen(const std::vector<Fundstelle>& dateien)
{
    if (gleichzeitig > 1 && dateien.size() > 1)
        return laufenVerteilt(dateien);
    Bilanz bilanz;
    for (const Fundstelle& f : dateien)
        if (!dateiSuchen(f, bilanz))
            break;
    return bilanz;
}

bool Mehrfachsuche::dateiSuchen(const Fundstelle& f, Bilanz& bilanz)
{
    weiter_ = Weiter::Ja;
    if (dateiOeffnen(f, bilanz))
        dateiDurchsuchen(f.pfad, bilanz);
    return weiter_ != Weiter::Ende;
}

Bilanz Mehrfachsuche::tabellenAuflisten(const std::vector<Fundstelle>& dateien,
                                        const std::function<void(const QString&, const QString&)>& tabelle)
{
    Bilanz bilanz;
    for (const Fundstelle& f : dateien) {
        if (!dateiOeffnen(f, bilanz))
            continue;
        try {
            for (const Datenzugriff::KatalogEintrag& e : verbindung_.leser().katalog())
                if (e.typ == QLatin1String("TABLE"))
                    tabelle(f.pfad, e.name);
            ++bilanz.tabellen;
            verbindung_.Close();
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            melden(f.pfad, e.Description(), bilanz);
        }
    }
    return bilanz;
}

void Mehrfachsuche::dateiDurchsuchen(const QString& pfad, Bilanz& bilanz)
{
    QStringList tabellen{aufruf_.tabelle};
    if (aufruf_.alleTabellen) {
        try {
            const Datenzugriff::Benutzertabellen b = Datenzugriff::benutzertabellen(verbindung_.leser().katalog());
            tabellen = b.tabellen;
            // A link is no failure: its data is searched where it lives.
            for (const Datenzugriff::KatalogEintrag& e : b.verknuepft)
                if (hinweis)
                    hinweis(pfad + QStringLiteral(": Tabelle „") + e.name + QStringLiteral("“"),
                            QStringLiteral("verknüpfte Tabelle übersprungen, ihre Daten liegen in „%1“").arg(e.verweis));
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            melden(pfad, e.Description(), bilanz);
            return;
        }
        if (tabellen.isEmpty() && hinweis)
            hinweis(pfad, QStringLiteral("keine Tabelle in der Datenbank gefunden"));
    }
    for (qsizetype i = 0; i < tabellen.size(); ++i) {
        const QString& tabelle = tabellen[i];
        // Where a table's search ends, and its failure is reported.
        try {
            tabelleDurchsuchen(pfad, tabelle, bilanz);
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            melden(pfad + QStringLiteral(": Tabelle „") + tabelle + QStringLiteral("“"), e.Description(), bilanz);
            // The reader gave up on the file; its other tables would only say
            // so again, one by one. They are named at once.
            if (e.Number() == Datenzugriff::FehlerBeschaedigt || e.Number() == Datenzugriff::FehlerLeseprozess) {
                if (i + 1 < tabellen.size())
                    melden(pfad, QStringLiteral("nach diesem Fehler nicht durchsucht: „%1“").arg(tabellen.mid(i + 1).join(QStringLiteral("“, „"))),
                           bilanz);
                break;
            }
        }
        if (weiter_ == Weiter::NaechsteDatei || weiter_ == Weiter::Ende)
            break;
    }
    if (weiter_ == Weiter::NaechsteDatei)
        weiter_ = Weiter::Ja;
    try {
        verbindung_.Close();
    } catch (const Datenzugriff::DatenzugriffsFehler&) {
    }
}

// The fields of --felder and --info in a table: the statement's fields, the
// mask and how many fields each hit lists. False when the table lacks some of
// them: it is not searched, and the message says so.
bool Mehrfachsuche::felderWaehlen(const QString& pfad, const QString& tabelle, Bilanz& bilanz, Datenzugriff::Anweisung& anweisung,
                                  std::unique_ptr<Suche::Feldmaske>& maske, std::int16_t& auswahlAnzahl)
{
    if (aufruf_.felder.isEmpty() && aufruf_.info.isEmpty())
        return true;
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
        return false;
    }
    const Auswahlmodell::Auswahl a = Auswahlmodell::uebernehmen(w.zeilen, tabelle);
    anweisung.alleFelder = a.anzahl == 0;
    for (const Auswahlmodell::Zeile& z : w.zeilen)
        if (z.suchen || z.info)
            anweisung.felder.push_back(z.feldname);
    maske = std::make_unique<Maske>(w.zeilen);
    auswahlAnzahl = a.anzahl;
    return true;
}

void Mehrfachsuche::tabelleDurchsuchen(const QString& pfad, const QString& tabelle, Bilanz& bilanz)
{
    if (tabelleBeginnt)
        tabelleBeginnt(pfad, tabelle);
    if (ausgabe_)
        ausgabe_->tabelleBeginnt(pfad, tabelle);
    // The table by its name, not through a statement that a name with
    // brackets could break; with a field selection, the mask's fields.
    Datenzugriff::Anweisung anweisung{tabelle, true, {}};
    std::unique_ptr<Suche::Feldmaske> maske;
    std::int16_t auswahlAnzahl = 0;
    if (!felderWaehlen(pfad, tabelle, bilanz, anweisung, maske, auswahlAnzahl))
        return;
    Datenzugriff::Recordset satzmenge;
    satzmenge.Open(anweisung, verbindung_, Datenzugriff::adOpenDynamic, Datenzugriff::adLockOptimistic);
    if (ueberschriften_)
        protokoll_.setzeUeberschrift(ueberschrift(pfad, tabelle));
    Suche::Suchlauf lauf(satzmenge, protokoll_, nullptr, maske.get(), auswahlAnzahl);
    lauf.felddruck();
    lauf.suchtext = [this] { return aufruf_.suchtext; };
    lauf.platzhalter = [this] { return aufruf_.platzhalter; };
    // For the benchmark and the tests: every value matched, no row left out.
    static const bool vollerVergleich = qEnvironmentVariableIntValue("ZF_VOLLER_VERGLEICH") == 1;
    lauf.vorfilter = !vollerVergleich;
    if (saetze)
        lauf.ereignisse = [this, &lauf] { saetze(lauf.satz()); };
    if (ausgabe_)
        lauf.trefferGefunden = [this](const Suche::Suchlauf::Treffer& t) {
            weiter_ = ausgabe_->treffer(t);
            return weiter_ == Weiter::Ja;
        };
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
    if (ausgabe_)
        ausgabe_->tabelleFertig();
    if (weiter_ == Weiter::NaechsteTabelle)
        weiter_ = Weiter::Ja;
}

}  // namespace Kommandozeile
