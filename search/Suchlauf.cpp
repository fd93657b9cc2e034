#include "Suchlauf.h"

#include "Ergebnisliste.h"

#include <algorithm>


namespace Suche {

namespace {
const Feldmaske* maske_ = nullptr;
}

void setzeFeldmaske(const Feldmaske* m) { maske_ = m; }
const Feldmaske* feldmaske() { return maske_; }

Suchlauf::Suchlauf(Datenzugriff::Recordset& satzmenge, Protokoll::Schreiber& protokoll, Ergebnisliste* liste,
                   const Feldmaske* maske, int auswahlAnzahl, const QLocale& locale)
    : satzmenge_(satzmenge), protokoll_(protokoll), liste_(liste), maske_(maske), auswahlAnzahl_(auswahlAnzahl),
      locale_(locale), werttext_(locale)
{
    const auto& felder = satzmenge_.fields();
    for (int i = 0; i < felder.Count(); ++i)
        namen_ << felder.Item(i).Name();
    if (liste_)
        liste_->setzeFeldnamen(namen_);
}

void Suchlauf::zeile(const QString& text)
{
    if (liste_)
        liste_->zeileAnhaengen(text);
    protokoll_.zeile(text);
}

// A hit line of the protocol, built in a buffer kept from line to line;
// not at all where the protocol goes nowhere (the command line's other forms).
void Suchlauf::trefferZeile(int feld, QStringView wert)
{
    if (!protokoll_.schreibtEtwas()) {
        protokoll_.zeile({});  // for its one check: a protocol not opened is an error
        return;
    }
    zeile_.truncate(0);  // keeps the room
    Protokoll::trefferZeileAnhaengen(
        zeile_, satz_, [this, feld](QString& z) { z += namen_[feld]; }, [wert](QString& z) { z += wert; });
    protokoll_.zeile(zeile_);
}

void Suchlauf::felddruck()
{
    if (auswahlAnzahl_ == 0 || !maske_)
        return;
    std::vector<Protokoll::MaskenZeile> zeilen;
    for (int k = 0; k < maske_->zeilenAnzahl(); ++k)
        zeilen.push_back({maske_->feldname(k), maske_->suchen(k)});
    for (const QString& z : Protokoll::kopfZeilen(zeilen, namen_))
        zeile(z);
}

void Suchlauf::einstellungenLesen()
{
    const QString text = suchtext ? suchtext() : QString();
    const bool platz = platzhalter ? platzhalter() : true;
    if (!muster_ || text != musterText_ || platz != musterPlatzhalter_) {
        muster_ = std::make_unique<Suchmuster>(text, platz ? Suchmodus::Platzhalter : Suchmodus::Einfach, locale_);
        musterText_ = text;
        musterPlatzhalter_ = platz;
        QString literale = muster_->muster();
        if (platz)
            literale.remove(u'*');
        for (std::size_t art = 0; art < moeglich_.size(); ++art) {
            const QString vorrat = art <= std::size_t(Datenzugriff::LetzteWertArt)
                ? werttext_.zeichenvorrat(Datenzugriff::WertArt(art)) : QString();
            bool ja = true;
            if (!vorrat.isEmpty()) {
                const QString gefaltet = muster_->falten(vorrat);
                for (QChar c : literale)
                    ja = ja && gefaltet.contains(c);
            }
            moeglich_[art] = ja || !vorfilter ? 1 : 0;
        }
        filterVeraltet_ = true;
    }
}

// The mask's first row with the field's exact name decides; a field the
// mask does not list is searched.
void Suchlauf::filterBerechnen()
{
    std::vector<char> gesucht(std::size_t(namen_.size()), 1);
    if (auswahlAnzahl_ > 0 && maske_) {
        const int zeilen = maske_->zeilenAnzahl();
        for (int f = 0; f < namen_.size(); ++f)
            for (int k = 0; k < zeilen; ++k)
                if (maske_->feldname(k) == namen_[f]) {
                    gesucht[std::size_t(f)] = maske_->suchen(k) ? 1 : 0;
                    break;
                }
    }
    if (gesucht != gesucht_) {
        gesucht_ = std::move(gesucht);
        filterVeraltet_ = true;
    }
}

// A value can match only if, for every character c of the pattern (inner
// stars aside), it holds a unit that folds to c: folding is one unit in, one
// out (surrogates aside, see einheitenKlassen). Eight characters are enough
// to tell most rows apart.
void Suchlauf::kandidatenfilterSetzen()
{
    if (!filterVeraltet_)
        return;
    filterVeraltet_ = false;
    QString literale;
    for (const QChar c : muster_->muster())
        if (!(musterPlatzhalter_ && c == u'*') && !literale.contains(c) && literale.size() < 8)
            literale += c;
    if (!vorfilter || literale.isEmpty()) {
        satzmenge_.kandidatenfilter(nullptr);
        return;
    }
    auto f = std::make_shared<Datenzugriff::Kandidatenfilter>();
    f->klasse = *muster_->einheitenKlassen(literale);
    f->alle = std::uint8_t((1u << literale.size()) - 1);
    // A binary value's text is empty and never matches; text is judged by its characters.
    for (std::size_t art = 0; art <= std::size_t(Datenzugriff::LetzteWertArt); ++art)
        if (moeglich_[art] && art != std::size_t(Datenzugriff::WertArt::Binaer) && art != std::size_t(Datenzugriff::WertArt::Text))
            f->arten |= std::uint16_t(1u << art);
    f->gesucht.assign(gesucht_.begin(), gesucht_.end());
    satzmenge_.kandidatenfilter(std::move(f));
}

void Suchlauf::zusatzfelder(const std::vector<const Datenzugriff::Wert*>& werte)
{
    QString puffer;
    for (int i = 0; i < int(werte.size()); ++i) {
        const QStringView wert = werte[std::size_t(i)]->istNull() ? QStringView() : werttext_.ansicht(*werte[std::size_t(i)], puffer);
        if (liste_)
            liste_->trefferAnhaengen(satz_, i, wert);
        trefferZeile(i, wert);
    }
}

bool Suchlauf::trefferMelden(const std::vector<const Datenzugriff::Wert*>& werte, int feld, QStringView text)
{
    Treffer t{satz_, namen_[feld], text, {}};
    if (auswahlAnzahl_ != 0) {
        QString puffer;
        for (int i = 0; i < int(werte.size()); ++i) {
            const Datenzugriff::Wert& w = *werte[std::size_t(i)];
            t.block.push_back({namen_[i], w.istNull() ? std::nullopt : std::optional<QString>(werttext_.ansicht(w, puffer).toString())});
        }
    }
    return trefferGefunden(t);
}

void Suchlauf::durchsuchen()
{
    satz_ = 0;
    einstellungenLesen();
    filterBerechnen();
    kandidatenfilterSetzen();
    schleife();
    // Asked before the caller closes the recordset.
    tabelle_ = satzmenge_.tabelle();
    schaeden_ = satzmenge_.schaeden();
}

void Suchlauf::schleife()
{
    const auto& felder = satzmenge_.fields();
    const int anzahl = felder.Count();
    std::vector<const Datenzugriff::Wert*> werte(static_cast<std::size_t>(anzahl));
    QString puffer;
    int bisEreignisse = EreignisTakt;  // events at every record number divisible by it
    while (!satzmenge_.Eof()) {
        satz_ += 1;
        if (--bisEreignisse == 0) {
            bisEreignisse = EreignisTakt;
            if (ereignisse) {
                ereignisse();
                if (abgebrochen && abgebrochen()) {
                    // This record was not looked at: the run ends after the last one.
                    abbruch_ = true;
                    satz_ -= 1;
                    break;
                }
                einstellungenLesen();
                filterBerechnen();
                kandidatenfilterSetzen();
            }
        }
        if (satzAnzeigen)
            satzAnzeigen(satz_);
        // A record the reader rejected is all Null: nothing in it to look at.
        if (satzmenge_.aktuelleZeileVerworfen()) {
            satzmenge_.MoveNext();
            continue;
        }
        // The record's values at once, in field order; without a current
        // record Value() gives the component's error.
        const Datenzugriff::Wert* zeile = anzahl > 0 ? satzmenge_.aktuelleZeile() : nullptr;
        if (anzahl > 0 && !zeile)
            zeile = &felder.Item(0).Value();
        for (int i = 0; i < anzahl; ++i)
            werte[std::size_t(i)] = zeile + i;
        if (!satzDurchsuchen(werte, puffer))
            return;
        satzmenge_.MoveNext();
    }
}

// The values of the current record, field by field; false when the run
// stops here (the caller's answer to a hit).
bool Suchlauf::satzDurchsuchen(const std::vector<const Datenzugriff::Wert*>& werte, QString& puffer)
{
    for (int i = 0, anzahl = int(werte.size()); i < anzahl; ++i) {
        const Datenzugriff::Wert& w = *werte[std::size_t(i)];
        // A field the mask leaves out is not even turned into text.
        if (w.istNull() || !moeglich_[std::size_t(w.art)] || !gesucht_[std::size_t(i)])
            continue;
        const QStringView text = werttext_.ansicht(w, puffer);
        if (!muster_->trifft(text))
            continue;
        bool weiter = true;
        if (trefferGefunden)
            weiter = trefferMelden(werte, i, text);
        if (auswahlAnzahl_ != 0) {
            zusatzfelder(werte);
            i = anzahl;  // the block covered the whole record
        } else {
            if (liste_)
                liste_->trefferAnhaengen(satz_, i, text);
            trefferZeile(i, text);
        }
        treffer_ += 1;
        if (liste_)
            liste_->trennerAnhaengen();
        if (!weiter)
            return false;
    }
    return true;
}

QString Suchlauf::schadenMeldung(const QString& datei) const
{
    if (schaeden_.empty())
        return {};
    QStringList zeilen{QStringLiteral("Der Suchlauf ist unvollständig: Die Tabelle „%1“ der Datei „%2“ ist beschädigt.").arg(tabelle_, datei)};
    zeilen << schadenGruende(5);
    zeilen << QStringLiteral("Alle lesbaren Sätze wurden durchsucht; Treffer in den beschädigten Teilen fehlen.");
    return zeilen.join(u'\r');
}

QStringList Suchlauf::schadenGruende(std::size_t hoechstens) const
{
    return Datenzugriff::schadenGruende(schaeden_, hoechstens);
}

QString Suchlauf::unvollstaendigZeile() const
{
    if (schaeden_.empty())
        return {};
    std::vector<std::uint32_t> seiten;
    QString ohneSeite;
    for (const auto& s : schaeden_) {
        if (s.seite == 0)
            ohneSeite = s.grund;
        else if (std::find(seiten.begin(), seiten.end(), s.seite) == seiten.end())
            seiten.push_back(s.seite);
    }
    return Protokoll::unvollstaendigZeile(tabelle_, seiten, ohneSeite);
}

void Suchlauf::schlusszeilen()
{
    // A cancelled run says so; without this line its protocol would look complete.
    if (abbruch_)
        zeile(Protokoll::abbruchZeile(satz_));
    // Damage read past: the total below counts only what could be read.
    if (!schaeden_.empty())
        zeile(unvollstaendigZeile());
    zeile(Protokoll::schlussStriche());
    zeile(Protokoll::gesamtZeile(treffer_));
}

}  // namespace Suche
