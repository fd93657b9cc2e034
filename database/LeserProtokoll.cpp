#include "LeserProtokoll.h"

#include <algorithm>

namespace Datenzugriff::Protokoll {

void Schreiber::wachsen(std::size_t mindestens)
{
    puffer_.resize(std::max(puffer_.size() * 2, mindestens));
}

void Schreiber::wert(const Wert& w)
{
    u8(std::uint8_t(w.art));
    switch (w.art) {
    case WertArt::Null: break;
    case WertArt::Text: text(w.text); break;
    case WertArt::Ganzzahl: i64(w.ganzzahl); break;
    case WertArt::Single: roh(&w.single, 4); break;
    case WertArt::Double:
    case WertArt::Datum: f64(w.dbl); break;
    case WertArt::Currency: i64(w.waehrung); break;
    case WertArt::JaNein: u8(w.janein ? 1 : 0); break;
    case WertArt::Guid: roh(w.guid.data(), 16); break;
    case WertArt::Decimal: decimal(w.decimal); break;
    case WertArt::Binaer: bytes(w.binaer); break;
    case WertArt::DatumErweitert: i64(w.ticks); break;
    }
}

void Schreiber::block(const ZeilenBlock& b)
{
    i32(b.spalten);
    i32(b.zeilenAnzahl);
    for (int z = 0; z < b.zeilenAnzahl; ++z) {
        const Wert* w = b.zeile(z);
        for (int s = 0; s < b.spalten; ++s)
            wert(w[s]);
    }
}

void Entnehmer::textIn(QString& ziel)
{
    const std::int32_t n = i32();
    if (n < 0 || std::int64_t(n) * 2 > ende_ - p_)
        throw Formfehler("Textlänge außerhalb der Nachricht");
    ziel.resize(n);
    std::memcpy(static_cast<void*>(ziel.data()), p_, std::size_t(n) * 2);
    p_ += std::size_t(n) * 2;
}

void Schreiber::katalog(const std::vector<KatalogEintrag>& k)
{
    i32(std::int32_t(k.size()));
    for (const auto& e : k) {
        text(e.typ);
        text(e.name);
        text(e.verweis);
    }
}

void Schreiber::spalten(const std::vector<SpaltenInfo>& s)
{
    i32(std::int32_t(s.size()));
    for (const auto& sp : s) {
        text(sp.name);
        u8(std::uint8_t(sp.jetTyp));
        i32(sp.groesse);
        u8(sp.festeLaenge);
        u8(sp.autowert);
        i32(sp.praezision);
        i32(sp.skala);
    }
}

std::vector<KatalogEintrag> Entnehmer::katalog()
{
    const std::int32_t n = i32();
    std::vector<KatalogEintrag> k;
    for (std::int32_t i = 0; i < n; ++i) {
        KatalogEintrag e;
        e.typ = text();
        e.name = text();
        e.verweis = text();
        k.push_back(std::move(e));
    }
    return k;
}

std::vector<SpaltenInfo> Entnehmer::spalten()
{
    const std::int32_t n = i32();
    std::vector<SpaltenInfo> s;
    for (std::int32_t i = 0; i < n; ++i) {
        SpaltenInfo sp;
        sp.name = text();
        sp.jetTyp = JetTyp(u8());
        sp.groesse = i32();
        sp.festeLaenge = u8() != 0;
        sp.autowert = u8() != 0;
        sp.praezision = i32();
        sp.skala = i32();
        s.push_back(std::move(sp));
    }
    return s;
}

void Schreiber::schaeden(const std::vector<Schaden>& s)
{
    i32(std::int32_t(s.size()));
    for (const auto& sch : s) {
        i64(sch.seite);
        text(sch.grund);
    }
}

// A filter: whether there is one, then its classes (the table's size and
// the units that have one, each with its class: a search text's few
// characters leave all but a handful of the 65 536 units without), the
// classes a text needs, the kinds, the searched columns.
void Schreiber::filter(const Kandidatenfilter* f)
{
    u8(f ? 1 : 0);
    if (!f)
        return;
    i32(std::int32_t(f->klasse.size()));
    const auto belegt = std::int32_t(f->klasse.size() - std::size_t(std::count(f->klasse.begin(), f->klasse.end(), 0)));
    i32(belegt);
    for (std::size_t u = 0; u < f->klasse.size(); ++u)
        if (f->klasse[u]) {
            i32(std::int32_t(u));
            u8(f->klasse[u]);
        }
    u8(f->alle);
    i32(f->arten);
    bytes(reinterpret_cast<const char*>(f->gesucht.data()), f->gesucht.size());
}

std::shared_ptr<const Kandidatenfilter> Entnehmer::filter()
{
    if (u8() == 0)
        return nullptr;
    auto f = std::make_shared<Kandidatenfilter>();
    const std::int32_t groesse = i32();
    if (groesse < 0 || groesse > 0x10000)
        throw Formfehler("Filtertabelle zu groß");
    f->klasse.assign(std::size_t(groesse), 0);
    for (std::int32_t n = i32(); n > 0; --n) {
        const std::int32_t u = i32();
        if (u < 0 || u >= groesse)
            throw Formfehler("Filtereintrag außerhalb der Tabelle");
        f->klasse[std::size_t(u)] = u8();
    }
    f->alle = u8();
    f->arten = std::uint16_t(i32());
    const QByteArray gesucht = bytes();
    f->gesucht.assign(gesucht.begin(), gesucht.end());
    return f;
}

std::vector<Schaden> Entnehmer::schaeden()
{
    const std::int32_t n = i32();
    std::vector<Schaden> s;
    for (std::int32_t i = 0; i < n; ++i) {
        Schaden sch;
        const std::int64_t seite = i64();
        if (seite < 0 || seite > std::int64_t(UINT32_MAX))
            throw Formfehler("Seitennummer eines Schadens");
        sch.seite = std::uint32_t(seite);
        sch.grund = text();
        s.push_back(std::move(sch));
    }
    return s;
}

QString Entnehmer::text()
{
    QString s;
    textIn(s);
    return s;
}

QByteArray Entnehmer::bytes()
{
    const std::int32_t n = laenge();
    QByteArray b(p_, n);
    p_ += n;
    return b;
}

void Entnehmer::wert(Wert& w)
{
    const std::uint8_t art = u8();
    if (art > std::uint8_t(LetzteWertArt))
        throw Formfehler("unbekannte Wertart");
    w.art = WertArt(art);
    switch (w.art) {
    case WertArt::Null: break;
    case WertArt::Text: textIn(w.text); break;  // blocks are decoded into the same slots
    case WertArt::Ganzzahl: w.ganzzahl = i64(); break;
    case WertArt::Single: roh(&w.single, 4); break;
    case WertArt::Double:
    case WertArt::Datum: w.dbl = f64(); break;
    case WertArt::Currency: w.waehrung = i64(); break;
    case WertArt::JaNein: w.janein = u8() != 0; break;
    case WertArt::Guid: roh(w.guid.data(), 16); break;
    case WertArt::Decimal:
        w.decimal.negativ = u8() != 0;
        w.decimal.skala = u8();
        roh(w.decimal.teile, 12);
        break;
    case WertArt::Binaer: w.binaer = bytes(); break;
    case WertArt::DatumErweitert: w.ticks = i64(); break;
    }
}

void Entnehmer::block(ZeilenBlock& b, int hoechstens, int breite)
{
    const std::int32_t spalten = i32();
    const std::int32_t zeilen = i32();
    // Every row with a value takes at least one byte: a bound against absurd counts.
    if (spalten < 0 || zeilen < 0 || zeilen > hoechstens || (zeilen > 0 && spalten != breite)
        || (spalten > 0 && zeilen > ende_ - p_))
        throw Formfehler("Block passt nicht zur Anfrage");
    b.spalten = spalten;
    b.zeilenAnzahl = zeilen;
    const std::size_t breit = std::size_t(spalten);
    if (b.werte.size() < breit * std::size_t(zeilen))
        b.werte.resize(breit * std::size_t(zeilen));
    // A row of Nulls is only marked: the search passes over most rows so.
    b.leerVorbereiten(zeilen);
    if (breit == 0)
        return;
    Wert* w = b.werte.data();
    for (std::size_t z = 0; z < std::size_t(zeilen); ++z, w += breit) {
        if (p_ < ende_ && std::uint8_t(*p_) == LeereZeile) {
            ++p_;
            b.leer[z] = 1;
            continue;
        }
        for (std::size_t k = 0; k < breit; ++k)
            wert(w[k]);
    }
}

}  // namespace Datenzugriff::Protokoll
