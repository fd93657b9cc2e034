// One table read by two readers at once. The forward read of a large table
// is cut into runs of pages; the first reader reads the even runs, the second
// the odd ones, each reading ahead while the program works on the other's.
// The merge needs no rows of its own: the run being read says which reader
// holds the next row, and a reader says when it has given a run's last row.

#include "Fehler.h"
#include "Leser.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

namespace Datenzugriff {
namespace {

// Moves a value to ziel by what its kind uses; the buffers of both stay for
// the next block. Most rows of a filtered read are Nulls: one byte each.
void umlegen(Wert& ziel, Wert& quelle)
{
    ziel.art = quelle.art;
    switch (quelle.art) {
    case WertArt::Null: break;
    case WertArt::Text: ziel.text.swap(quelle.text); break;
    case WertArt::Binaer: ziel.binaer.swap(quelle.binaer); break;
    case WertArt::Decimal: ziel.decimal = quelle.decimal; break;
    case WertArt::Guid: ziel.guid = quelle.guid; break;
    default: std::memcpy(&ziel.ganzzahl, &quelle.ganzzahl, sizeof ziel.ganzzahl); break;  // the 8 bytes of the number
    }
}

// The n rows of stueck behind the first gefuellt rows of block: rows of
// Nulls stay marked, the others are moved.
void anhaengen(ZeilenBlock& block, int gefuellt, ZeilenBlock& stueck)
{
    const std::size_t breite = std::size_t(block.spalten), n = std::size_t(stueck.zeilen());
    const std::size_t noetig = (std::size_t(gefuellt) + n) * breite;
    if (block.werte.size() < noetig)
        block.werte.resize(noetig);
    block.leer.resize(std::size_t(gefuellt) + n, 0);
    if (block.nullZeile.size() < breite)
        block.nullZeile.resize(breite);
    for (std::size_t z = 0; z < n; ++z) {
        block.leer[std::size_t(gefuellt) + z] = stueck.istLeer(int(z)) ? 1 : 0;
        if (!stueck.istLeer(int(z)))
            for (std::size_t k = 0; k < breite; ++k)
                umlegen(block.werte[(std::size_t(gefuellt) + z) * breite + k], stueck.werte[z * breite + k]);
    }
}

class VerbundLeser final : public Leser {
public:
    VerbundLeser(std::function<std::unique_ptr<Leser>()> fabrik, Teilung teilung)
        : fabrik_(std::move(fabrik)), teilung_(teilung), erster_(fabrik_())
    {
    }

    void oeffnen(const QString& datei) override
    {
        schliessen();
        erster_->oeffnen(datei);
        datei_ = datei;
    }
    void schliessen() override
    {
        verbunde_.clear();
        erster_->schliessen();
        if (zweiter_)
            zweiter_->schliessen();
        zweiterOffen_ = false;
    }
    // A second reader that failed leaves the file to be opened anew, as the first would.
    bool offen() const override { return erster_->offen() && (!zweiterOffen_ || zweiter_->offen()); }
    std::vector<KatalogEintrag> katalog() override { return erster_->katalog(); }
    std::vector<SpaltenInfo> spalten(const QString& tabelle) override { return erster_->spalten(tabelle); }
    std::int64_t gespeicherteZeilenanzahl(const QString& tabelle) override { return erster_->gespeicherteZeilenanzahl(tabelle); }

    CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl) override
    {
        return cursorOeffnen(tabelle, auswahl, Anteil{});
    }
    CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl, const Anteil& anteil) override
    {
        Verbund v;
        v.ganz = erster_->cursorOeffnen(tabelle, auswahl, anteil);
        v.tabelle = tabelle;
        v.auswahl = auswahl;
        if (anteil.von == 1) {
            try {
                v.gespeichert = erster_->gespeicherteZeilenanzahl(tabelle);
            } catch (...) {
                erster_->cursorSchliessen(v.ganz);
                throw;
            }
            v.teilen = v.gespeichert >= teilung_.abZeilen;
        }
        const CursorNummer nummer = naechsteNummer_++;
        verbunde_.emplace(nummer, std::move(v));
        return nummer;
    }

    bool naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen) override;
    void zuruecksetzen(CursorNummer cursor) override;
    bool zeile(CursorNummer cursor, std::int64_t n, std::vector<Wert>& werte) override
    {
        return erster_->zeile(holen(cursor).ganz, n, werte);
    }
    int zeilenBereich(CursorNummer cursor, std::int64_t von, int anzahl, ZeilenBlock& block) override
    {
        return erster_->zeilenBereich(holen(cursor).ganz, von, anzahl, block);
    }
    std::int64_t gezaehlteZeilen(CursorNummer cursor) override { return erster_->gezaehlteZeilen(holen(cursor).ganz); }
    std::vector<Schaden> schaeden(CursorNummer cursor) override;
    std::int64_t geloeschteZeilen(CursorNummer cursor) override
    {
        Verbund& v = holen(cursor);
        if (!geteilt(v))
            return erster_->geloeschteZeilen(v.ganz);
        return leser(0).geloeschteZeilen(v.teil[0]) + leser(1).geloeschteZeilen(v.teil[1]);
    }
    void cursorSchliessen(CursorNummer cursor) override;
    std::int64_t kandidatenfilter(CursorNummer cursor, std::shared_ptr<const Kandidatenfilter> filter) override;
    QString version() const override { return erster_->version(); }

private:
    struct Verbund {
        CursorNummer ganz = 0;  // in the first reader: rows by number, and the forward read unless split
        QString tabelle;
        std::vector<int> auswahl;
        std::int64_t gespeichert = 0;
        bool teilen = false;
        std::array<CursorNummer, 2> teil{};  // the shares, opened on the first block
        std::shared_ptr<const Kandidatenfilter> filter;
        std::int64_t lauf = 0;       // the run the next row lies in
        std::int64_t geliefert = 0;  // rows given
        std::array<std::int64_t, 2> genommen{};  // rows taken from each share
        std::array<std::int64_t, 2> altBis{};    // rows of a share judged by a filter no longer set
        bool ende = false;
        std::vector<Schaden> zaehlung;  // rows the stored count promises, at the end
    };

    Verbund& holen(CursorNummer nummer)
    {
        const auto it = verbunde_.find(nummer);
        if (it == verbunde_.end())
            throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Die Datensatzgruppe ist geschlossen."));
        return it->second;
    }
    static bool geteilt(const Verbund& v) { return v.teil[0] != 0; }
    Leser& leser(int i)
    {
        if (i == 0)
            return *erster_;
        if (!zweiter_)
            zweiter_ = fabrik_();
        if (!zweiterOffen_) {
            zweiter_->oeffnen(datei_);
            zweiterOffen_ = true;
        }
        return *zweiter_;
    }
    void teilenBeginnen(Verbund& v);
    void neuBewerten(Verbund& v, int i, ZeilenBlock& stueck, std::int64_t ab);
    void zaehlungPruefen(Verbund& v, std::int64_t gelesen);

    std::function<std::unique_ptr<Leser>()> fabrik_;
    Teilung teilung_;
    std::unique_ptr<Leser> erster_;
    std::unique_ptr<Leser> zweiter_;
    bool zweiterOffen_ = false;
    QString datei_;
    std::map<CursorNummer, Verbund> verbunde_;
    CursorNummer naechsteNummer_ = 1;
    ZeilenBlock stueck_;  // a run's rows on their way into the caller's block
};

// A second reader that cannot start or open the file costs the speed, not
// the table: the first reads it alone.
void VerbundLeser::teilenBeginnen(Verbund& v)
{
    const CursorNummer erste = erster_->cursorOeffnen(v.tabelle, v.auswahl, Anteil{0, 2, teilung_.laufSeiten});
    CursorNummer zweite = 0;
    try {
        zweite = leser(1).cursorOeffnen(v.tabelle, v.auswahl, Anteil{1, 2, teilung_.laufSeiten});
    } catch (const DatenzugriffsFehler&) {
        erster_->cursorSchliessen(erste);
        v.teilen = false;
        if (v.filter)
            erster_->kandidatenfilter(v.ganz, v.filter);
        return;
    }
    v.teil = {erste, zweite};
    if (v.filter)
        for (int i = 0; i < 2; ++i)
            leser(i).kandidatenfilter(v.teil[std::size_t(i)], v.filter);
}

// Rows from the run being read until the block is full or the table ends:
// a short block means the end, as with one reader.
bool VerbundLeser::naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen)
{
    Verbund& v = holen(cursor);
    if (v.teilen && !geteilt(v))
        teilenBeginnen(v);
    if (!v.teilen)
        return erster_->naechsterBlock(v.ganz, block, maxZeilen);
    const int breite = int(v.auswahl.size());
    block.spalten = breite;
    block.zeilenAnzahl = 0;
    block.laufEnde = false;
    while (block.zeilenAnzahl < maxZeilen && !v.ende) {
        const int i = int(v.lauf % 2);
        const int gefuellt = block.zeilenAnzahl;
        ZeilenBlock& stueck = gefuellt == 0 ? block : stueck_;
        if (!leser(i).naechsterBlock(v.teil[std::size_t(i)], stueck, maxZeilen - gefuellt)) {
            v.ende = true;
            block.zeilenAnzahl = gefuellt;
            zaehlungPruefen(v, v.geliefert + gefuellt);
            break;
        }
        const int n = stueck.zeilen();
        const bool laufEnde = stueck.laufEnde;
        neuBewerten(v, i, stueck, v.geliefert + gefuellt);
        if (&stueck != &block)
            anhaengen(block, gefuellt, stueck);
        block.zeilenAnzahl = gefuellt + n;
        block.laufEnde = false;
        v.genommen[std::size_t(i)] += n;
        if (laufEnde)
            ++v.lauf;
    }
    v.geliefert += block.zeilenAnzahl;
    return block.zeilenAnzahl > 0;
}

// Rows of share i that it judged by a filter set before the last one come
// again in full, from the whole table at their place ab.
void VerbundLeser::neuBewerten(Verbund& v, int i, ZeilenBlock& stueck, std::int64_t ab)
{
    const std::int64_t alt = std::min<std::int64_t>(v.altBis[std::size_t(i)] - v.genommen[std::size_t(i)], stueck.zeilen());
    if (alt <= 0)
        return;
    ZeilenBlock frisch;
    if (erster_->zeilenBereich(v.ganz, ab, int(alt), frisch) != alt || frisch.spalten != stueck.spalten)
        throw DatenzugriffsFehler(FehlerBeschaedigt, QStringLiteral("Die Sätze ab Nummer %1 der Tabelle „%2“ konnten nicht erneut gelesen werden.")
                                                         .arg(ab + 1).arg(v.tabelle));
    const std::size_t breite = std::size_t(stueck.spalten);
    for (int z = 0; z < int(alt); ++z) {
        for (std::size_t k = 0; k < breite; ++k)
            stueck.werte[std::size_t(z) * breite + k] = frisch.zeile(z)[k];
        if (std::size_t(z) < stueck.leer.size())
            stueck.leer[std::size_t(z)] = 0;
    }
}

// The stored count against the rows of both shares together: neither can
// judge it alone.
void VerbundLeser::zaehlungPruefen(Verbund& v, std::int64_t gelesen)
{
    if (!leser(0).schaeden(v.teil[0]).empty() || !leser(1).schaeden(v.teil[1]).empty())
        return;
    const std::int64_t geloescht = leser(0).geloeschteZeilen(v.teil[0]) + leser(1).geloeschteZeilen(v.teil[1]);
    if (const auto s = fehlendeZeilen(v.gespeichert, gelesen, geloescht))
        v.zaehlung.push_back(*s);
}

// Damage lies on pages, and the pages of both shares are read in ascending
// order: merged by page, the damage is in the order one reader meets it.
std::vector<Schaden> VerbundLeser::schaeden(CursorNummer cursor)
{
    Verbund& v = holen(cursor);
    if (!geteilt(v))
        return erster_->schaeden(v.ganz);
    const std::vector<Schaden> a = leser(0).schaeden(v.teil[0]);
    const std::vector<Schaden> b = leser(1).schaeden(v.teil[1]);
    std::vector<Schaden> alle;
    std::merge(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(alle),
               [](const Schaden& x, const Schaden& y) { return x.seite < y.seite; });
    alle.insert(alle.end(), v.zaehlung.begin(), v.zaehlung.end());
    return alle;
}

// Rows the shares have read ahead were judged by the old filter: they are
// read again as they come (neuBewerten), so every row from the count given
// on is judged by the new one or whole.
std::int64_t VerbundLeser::kandidatenfilter(CursorNummer cursor, std::shared_ptr<const Kandidatenfilter> filter)
{
    Verbund& v = holen(cursor);
    if (!v.teilen)
        return erster_->kandidatenfilter(v.ganz, std::move(filter));
    const bool vorher = v.filter != nullptr;
    v.filter = filter;
    if (geteilt(v))
        for (int i = 0; i < 2; ++i) {
            const std::int64_t gelesen = leser(i).kandidatenfilter(v.teil[std::size_t(i)], filter);
            if (vorher)
                v.altBis[std::size_t(i)] = std::max(v.altBis[std::size_t(i)], gelesen);
        }
    return v.geliefert;
}

void VerbundLeser::zuruecksetzen(CursorNummer cursor)
{
    Verbund& v = holen(cursor);
    erster_->zuruecksetzen(v.ganz);
    if (geteilt(v))
        for (int i = 0; i < 2; ++i)
            leser(i).zuruecksetzen(v.teil[std::size_t(i)]);
    v.lauf = 0;
    v.geliefert = 0;
    v.genommen = {};
    v.altBis = {};
    v.ende = false;
    v.zaehlung.clear();
}

void VerbundLeser::cursorSchliessen(CursorNummer cursor)
{
    const auto it = verbunde_.find(cursor);
    if (it == verbunde_.end())
        return;
    const Verbund v = std::move(it->second);
    verbunde_.erase(it);
    erster_->cursorSchliessen(v.ganz);
    if (geteilt(v)) {
        erster_->cursorSchliessen(v.teil[0]);
        if (zweiter_)
            zweiter_->cursorSchliessen(v.teil[1]);
    }
}

}  // namespace

std::unique_ptr<Leser> erzeugeVerbundLeser(std::function<std::unique_ptr<Leser>()> fabrik, Teilung teilung)
{
    if (qEnvironmentVariableIntValue("ZF_EIN_LESER") == 1)
        return fabrik();
    return std::make_unique<VerbundLeser>(std::move(fabrik), teilung);
}

}  // namespace Datenzugriff
