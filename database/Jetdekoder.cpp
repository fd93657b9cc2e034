// The decoder of pages, rows and values; see Jetdekoder.h.

#include "Jetdekoder.h"

#include "Fehler.h"
#include "Windows1252.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

namespace Datenzugriff::Jet {
namespace {

constexpr std::uint32_t LangwertInline = 0x80000000u;
constexpr std::uint32_t LangwertEineSeite = 0x40000000u;
constexpr std::uint32_t LangwertLaengeMaske = 0x3fffffffu;

// The bytes a value of fixed width needs; 0 for the other types.
constexpr int festeBreite(JetTyp typ)
{
    switch (typ) {
    case JetTyp::Byte: return 1;
    case JetTyp::Integer: return 2;
    case JetTyp::Long:
    case JetTyp::Single: return 4;
    case JetTyp::GrosseZahl:
    case JetTyp::Currency:
    case JetTyp::Double:
    case JetTyp::Datum: return 8;
    case JetTyp::Guid: return 16;
    case JetTyp::Decimal: return 17;
    default: return 0;
    }
}

// The kind of value a column of fixed width gives; Null for the others.
constexpr WertArt festeArt(JetTyp typ)
{
    switch (typ) {
    case JetTyp::Byte:
    case JetTyp::Integer:
    case JetTyp::Long:
    case JetTyp::GrosseZahl: return WertArt::Ganzzahl;
    case JetTyp::Currency: return WertArt::Currency;
    case JetTyp::Single: return WertArt::Single;
    case JetTyp::Double: return WertArt::Double;
    case JetTyp::Datum: return WertArt::Datum;
    case JetTyp::Guid: return WertArt::Guid;
    case JetTyp::Decimal: return WertArt::Decimal;
    default: return WertArt::Null;
    }
}

}  // namespace

QString dateiText(const QString& datei) { return QStringLiteral("„") + datei + QStringLiteral("“"); }

Beschaedigung::Beschaedigung(const QString& datei, QString g)
    : DatenzugriffsFehler(FehlerBeschaedigt,
          QStringLiteral("Die Datei %1 ist beschädigt oder kein Access-Datenbankformat: %2").arg(dateiText(datei), g)),
      grund(std::move(g))
{
}

void beschaedigt(const QString& datei, const QString& grund) { throw Beschaedigung(datei, grund); }

void Dekoder::schadenNotieren(Cursor& c, std::uint32_t seite, const QString& grund)
{
    // One note per page is enough, and a table in pieces must not fill the memory.
    constexpr std::size_t Hoechstens = 100000;
    if (seite != 0 && !c.schaeden.empty() && c.schaeden.back().seite == seite)
        return;
    if (c.schaeden.size() < Hoechstens)
        c.schaeden.push_back({seite, grund});
}

// At the end of a forward read: the rows the definition promises beyond
// those read. A file that was not closed properly can carry a stale count,
// but only rows that were there once: so a shortfall within the deleted
// rows passed says nothing, and neither does one behind damage noted already.
void Dekoder::zaehlungPruefen(Cursor& c) const
{
    const std::int64_t gespeichert = c.tabelle->gespeicherteZeilen;
    const std::int64_t fehlen = gespeichert - std::int64_t(c.gelieferteZeilen);
    if (c.schaeden.empty() && fehlen > c.geloeschteZeilen)
        schadenNotieren(c, 0, QStringLiteral("die Tabelle nennt %1 Sätze, lesbar sind nur %2").arg(gespeichert).arg(c.gelieferteZeilen));
}

std::int64_t datumErweitertLesen(const unsigned char* p, std::size_t n)
{
    auto zahl = [p](std::size_t ab, std::int64_t& wert) {
        wert = 0;
        for (std::size_t i = ab; i < ab + 19; ++i) {
            if (p[i] < '0' || p[i] > '9' || wert > 999999999999999999LL)
                return false;
            wert = wert * 10 + (p[i] - '0');
        }
        return true;
    };
    std::int64_t tage = 0, imTag = 0;
    constexpr std::int64_t TicksProTag = 864000000000LL;
    if (n < 39 || p[19] != ':' || !zahl(0, tage) || !zahl(20, imTag) || tage >= 3652059 || imTag >= TicksProTag)
        return -1;
    return tage * TicksProTag + imTag;
}

std::vector<Spaltenmerkmale> spaltenmerkmale(const std::vector<unsigned char>& tdef)
{
    constexpr std::size_t SpaltenAnzahl = 45, IndexAnzahl = 51, SpaltenAb = 63, IndexGroesse = 12, Beschreibung = 25;
    if (tdef.size() < SpaltenAb)
        return {};
    const std::size_t spalten = le16(&tdef[SpaltenAnzahl]);
    const std::uint64_t ab = SpaltenAb + std::uint64_t(le32(&tdef[IndexAnzahl])) * IndexGroesse;
    if (spalten > std::size_t(MaxSpalten) || ab + spalten * Beschreibung > tdef.size())
        return {};
    std::vector<Spaltenmerkmale> ergebnis(spalten);
    std::size_t pos = std::size_t(ab) + spalten * Beschreibung;
    for (std::size_t i = 0; i < spalten; ++i) {
        ergebnis[i].berechnet = (tdef[std::size_t(ab) + i * Beschreibung + 16] & 0xc0) == 0xc0;
        if (pos + 2 > tdef.size())
            return {};
        const std::size_t laenge = le16(&tdef[pos]);
        if (pos + 2 + laenge > tdef.size())
            return {};
        ergebnis[i].name = QString::fromUtf16(reinterpret_cast<const char16_t*>(&tdef[pos + 2]), qsizetype(laenge / 2));
        pos += 2 + laenge;
    }
    return ergebnis;
}

std::map<QString, int> ergebnisTypen(const QByteArray& eigenschaften)
{
    std::map<QString, int> typen;
    const auto* b = reinterpret_cast<const unsigned char*>(eigenschaften.constData());
    const std::size_t n = std::size_t(eigenschaften.size());
    if (n < 4 || std::memcmp(b, "MR2", 4) != 0)
        return typen;
    std::vector<QString> namen;
    // Chunks: length, kind (0x80 the property names, 0 and 1 the properties of one object).
    for (std::size_t pos = 4; pos + 6 <= n;) {
        const std::size_t laenge = le32(b + pos);
        const int art = le16(b + pos + 4);
        if (laenge < 6 || laenge > n - pos)
            break;
        const unsigned char* teil = b + pos + 6;
        const std::size_t teilLaenge = laenge - 6;
        if (art == 0x80) {
            for (std::size_t q = 0; q + 2 <= teilLaenge;) {
                const std::size_t l = le16(teil + q);
                if (q + 2 + l > teilLaenge)
                    break;
                namen.push_back(QString::fromUtf16(reinterpret_cast<const char16_t*>(teil + q + 2), qsizetype(l / 2)));
                q += 2 + l;
            }
        } else if ((art == 0 || art == 1) && teilLaenge >= 6) {
            // The object's name, then entries: length, flags, data type, name index, value size, value.
            const std::size_t nameLaenge = le16(teil + 4);
            if (6 + nameLaenge > teilLaenge)
                break;
            const QString spalte = QString::fromUtf16(reinterpret_cast<const char16_t*>(teil + 6), qsizetype(nameLaenge / 2)).toLower();
            for (std::size_t q = 6 + nameLaenge; q + 8 <= teilLaenge;) {
                const std::size_t l = le16(teil + q);
                const std::size_t index = le16(teil + q + 4), groesse = le16(teil + q + 6);
                if (l < 8 || q + l > teilLaenge || 8 + groesse > l)
                    break;
                if (index < namen.size() && groesse >= 1 && namen[index] == QLatin1String("ResultType"))
                    typen[spalte] = teil[q + 8];
                q += l;
            }
        }
        pos += laenge;
    }
    return typen;
}

bool berechneteDezimalzahl(const unsigned char* p, std::size_t n, DecimalWert& d)
{
    if (n < 4)
        return false;
    const int gesamt = std::int16_t(le16(p));
    const int stellen = (gesamt > 0 ? gesamt : int(n) - 2) - 2;
    if (stellen < 0)
        return false;
    const std::size_t bytes = std::min<std::size_t>(std::size_t(stellen) / 4 * 4, 16);
    if (4 + bytes > n)
        return false;
    std::array<unsigned char, 16> be{};  // big-endian magnitude
    std::memcpy(be.data(), p + 4, bytes);
    // Stored: a leading 4-byte group (when the length is no multiple of 8),
    // then 8-byte groups, each in little-endian order.
    std::size_t ab = 0;
    if (bytes % 8 != 0) {
        std::reverse(be.begin(), be.begin() + 4);
        ab = 4;
    }
    for (; ab < bytes; ab += 8)
        std::reverse(be.begin() + std::ptrdiff_t(ab), be.begin() + std::ptrdiff_t(ab + 8));
    for (std::size_t i = 0; i + 12 < bytes; ++i)
        if (be[i] != 0)
            return false;  // beyond the 96 bits of a Decimal
    d = DecimalWert{};
    d.skala = std::uint8_t(std::min<int>(p[2], 28));
    d.negativ = p[3] != 0;
    for (std::size_t i = 0; i < bytes && i < 12; ++i) {
        const std::size_t stelle = i;  // from the least significant byte
        d.teile[stelle / 4] |= std::uint32_t(be[bytes - 1 - i]) << (8 * (stelle % 4));
    }
    return true;
}

std::array<char16_t, 256> codepage1252()
{
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = Windows1252::zeichen(static_cast<unsigned char>(i));
    return t;
}

void InWerte::guid(std::size_t k, const unsigned char* p)
{
    w_[k].art = WertArt::Guid;
    std::memcpy(w_[k].guid.data(), p, 16);
}

void InWerte::text(std::size_t k, const unsigned char* p, std::size_t n)
{
    w_[k].art = WertArt::Text;
    d_.textDekodieren(p, n, w_[k].text);
}

void InWerte::langwert(std::size_t k, const unsigned char* kopf, std::size_t n)
{
    w_[k].art = WertArt::Binaer;
    d_.langwertLesen(kopf, n, w_[k].binaer);
}

void InNachricht::text(std::size_t, const unsigned char* p, std::size_t n)
{
    art(WertArt::Text);
    if (d_.textPuffer.size() < n)
        d_.textPuffer.resize(n);
    const std::size_t k = d_.textDekodieren(p, n, d_.textPuffer.data());
    s_.text(d_.textPuffer.data(), k);
}

void InNachricht::langwert(std::size_t, const unsigned char* kopf, std::size_t n)
{
    d_.langwertLesen(kopf, n, d_.langwertPuffer);
    binaer(0, d_.langwertPuffer.constData(), std::size_t(d_.langwertPuffer.size()));
}

// The next page after `nach` in the table's usage map; 0 at its end, -1 for
// a kind of map we do not know. The bitmap page of a long map is kept, so a
// table is read with one page read per data page.
std::int64_t Dekoder::naechsteAusKarte(Cursor& c, std::uint32_t nach)
{
    const unsigned char* karte = c.tabelle->karte.data();
    const std::size_t groesse = c.tabelle->karte.size();
    if (groesse < 1)
        return 0;
    if (karte[0] == 0) {
        if (groesse < 5)
            return 0;
        const std::uint64_t start = le32(karte + 1);
        const std::uint64_t bits = std::uint64_t(groesse - 5) * 8;
        for (std::uint64_t i = nach >= start ? nach - start + 1 : 0; i < bits; ++i)
            if (karte[5 + i / 8] & (1u << (i % 8)))
                return std::int64_t(start + i);
        return 0;
    }
    if (karte[0] == 1) {
        const std::uint64_t bits = std::uint64_t(f_.seitenGroesse - 4) * 8;
        const std::size_t eintraege = (groesse - 1) / 4;
        const std::uint64_t ab = std::uint64_t(nach) + 1;
        std::uint64_t versatz = ab % bits;
        for (std::size_t e = std::size_t(ab / bits); e < eintraege; ++e, versatz = 0) {
            const std::uint32_t seite = le32(karte + 1 + 4 * e);
            if (seite == 0)
                continue;
            if (c.kartenSeite != seite) {
                c.karte.resize(std::size_t(f_.seitenGroesse));
                if (!q_.seiteLesen(seite, c.karte.data()))
                    beschaedigt(f_.datei, QStringLiteral("die Seitenliste der Tabelle „%1“ zeigt hinter das Dateiende")
                                            .arg(c.tabelle->name));
                c.kartenSeite = seite;
            }
            for (std::uint64_t i = versatz; i < bits; ++i)
                if (c.karte[std::size_t(4 + i / 8)] & (1u << (i % 8)))
                    return std::int64_t(e * bits + i);
        }
        return 0;
    }
    return -1;
}

// Moves the cursor to the next page of its table. The usage map gives the
// pages in ascending order; anything else means a damaged map.
bool Dekoder::naechsteDatenseite(Cursor& c)
{
    const Tabelle& t = *c.tabelle;
    const std::uint32_t tdef = t.definitionsSeite;
    while (true) {
        std::uint32_t naechste = 0;
        if (!c.mapUnbekannt) {
            const std::int64_t n = naechsteAusKarte(c, c.seitenNr);
            if (n < 0) {
                c.mapUnbekannt = true;
                naechste = c.seitenNr + 1;
            } else if (n == 0) {
                return false;
            } else {
                if (std::uint32_t(n) <= c.seitenNr)
                    beschaedigt(f_.datei, QStringLiteral("die Seitenliste der Tabelle „%1“ läuft im Kreis").arg(t.name));
                naechste = std::uint32_t(n);
            }
        } else {
            naechste = c.seitenNr + 1;
        }
        if (naechste >= f_.seitenAnzahl) {
            if (c.mapUnbekannt)
                return false;
            beschaedigt(f_.datei, QStringLiteral("die Tabelle „%1“ verweist auf Seite %2 hinter dem Dateiende")
                                    .arg(t.name).arg(naechste));
        }
        c.seitenNr = naechste;
        if (c.seite.size() < std::size_t(f_.seitenGroesse) + Bytfilter::Reserve)
            c.seite.resize(std::size_t(f_.seitenGroesse) + Bytfilter::Reserve);
        q_.seiteLesen(naechste, c.seite.data());
        int zeilen = -1;
        try {
            zeilen = zeilenAufDatenseite(c.seite.data(), naechste, tdef);
        } catch (const Beschaedigung& b) {
            schadenNotieren(c, naechste, b.grund);
            continue;
        }
        if (zeilen >= 0) {
            c.zeilenAufSeite = zeilen;
            c.zeileAufSeite = 0;
            for (int r = 0; r < zeilen; ++r)
                c.geloeschteZeilen += zeilenplatz(c.seite.data(), r).geloescht ? 1 : 0;
            return true;
        }
        // A page the map lists that is no data page of this table: its rows
        // are lost. When every page is scanned, other pages are no news.
        if (!c.mapUnbekannt)
            schadenNotieren(c, naechste, QStringLiteral("die Seitenliste der Tabelle „%1“ nennt Seite %2, die keine ihrer Datenseiten ist")
                                             .arg(t.name).arg(naechste));
    }
}

template <class F>
void Dekoder::einheiten(const unsigned char* p, std::size_t n, F&& f) const
{
    if (f_.jet3) {
        for (std::size_t i = 0; i < n; ++i)
            if (!f(f_.codepage[p[i]]))
                return;
        return;
    }
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        // Jet 4 compression: single bytes stand for U+0000..U+00FF, a zero
        // byte toggles between single bytes and UCS-2 pairs.
        bool komprimiert = true;
        for (std::size_t i = 2; i < n;) {
            if (p[i] == 0) {
                komprimiert = !komprimiert;
                ++i;
            } else if (komprimiert) {
                if (!f(char16_t(p[i])))
                    return;
                ++i;
            } else if (i + 1 < n) {
                if (!f(char16_t(p[i] | (p[i + 1] << 8))))
                    return;
                i += 2;
            } else {
                return;
            }
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < n; i += 2)
        if (!f(char16_t(p[i] | (p[i + 1] << 8))))
            return;
}

std::size_t Dekoder::textDekodieren(const unsigned char* p, std::size_t n, char16_t* d) const
{
    if (!f_.jet3 && !(n >= 2 && p[0] == 0xff && p[1] == 0xfe)) {
        const std::size_t zeichen = n / 2;
        if (zeichen)  // no room is given for an empty text
            std::memcpy(d, p, zeichen * 2);
        return zeichen;
    }
    std::size_t k = 0;
    einheiten(p, n, [&](char16_t u) {
        d[k++] = u;
        return true;
    });
    return k;
}

bool Dekoder::enthaeltAlle(const unsigned char* p, std::size_t n, const Kandidatenfilter& f, const Bytfilter& bytfilter) const
{
    // First the bytes, whatever their encoding: a lookup per byte, no state.
    // Most texts lack a class there already, and in Jet 3 that is the answer.
    const std::size_t ab = !f_.jet3 && n >= 2 && p[0] == 0xff && p[1] == 0xfe ? 2 : 0;
    if (!bytfilter.enthaeltAlle(p + ab, n - ab))
        return false;
    if (f_.jet3)
        return true;
    std::uint8_t gesehen = 0;
    const std::uint8_t* klasse = f.klasse.data();
    einheiten(p, n, [&](char16_t u) {
        gesehen |= klasse[u];
        return (gesehen & f.alle) != f.alle;
    });
    return (gesehen & f.alle) == f.alle;
}

// As feldDekodieren judges a field: a fixed field of a kind the filter does
// not ask for (or not searched), wide enough for its type, is damaged only
// where it lies beyond the row; a text not searched likewise. A memo beyond
// its row is read, searched or not, for the damage of its chain.
static Pruefart pruefart(const Spalte& s, bool gesucht, std::uint16_t arten)
{
    if (s.berechnet)
        return Pruefart::Voll;
    if (s.typ == JetTyp::Text)
        return !gesucht ? Pruefart::Grenzen : s.fest ? Pruefart::Voll : Pruefart::Text;
    if (s.typ == JetTyp::Memo)
        return Pruefart::Memo;
    if (s.typ == JetTyp::JaNein)
        return gesucht && (arten >> unsigned(WertArt::JaNein) & 1u) ? Pruefart::Voll : Pruefart::Nichts;
    const WertArt art = festeArt(s.typ);
    if (s.fest && art != WertArt::Null && s.groesse >= festeBreite(s.typ) && !(gesucht && (arten >> unsigned(art) & 1u)))
        return Pruefart::Grenzen;
    return Pruefart::Voll;
}

void Dekoder::filterVorbereiten(Cursor& c) const
{
    const Kandidatenfilter& f = *c.filter;
    Bytfilter& b = c.bytfilter;
    b.klassen.fill(0);
    if (f_.jet3) {
        for (std::size_t x = 0; x < 256; ++x)
            b.klassen[x] = f.klasse[f_.codepage[x]];
    } else {
        for (std::size_t u = 0; u < f.klasse.size(); ++u)
            b.klassen[u & 0xff] |= f.klasse[u];
    }
    b.alle = f.alle;
    b.vorbereiten();
    c.pruefart.assign(c.auswahl.size(), Pruefart::Voll);
    c.pruefSpalten.clear();
    c.festGrenze = 0;
    for (std::size_t k = 0; k < c.auswahl.size(); ++k) {
        const Spalte& s = c.tabelle->spalten[std::size_t(c.auswahl[k])];
        c.pruefart[k] = pruefart(s, f.gesucht[k], f.arten);
        if (c.pruefart[k] == Pruefart::Grenzen && s.fest) {
            const bool gueltig = s.festOffset >= 0 && s.groesse >= 0;
            c.festGrenze = gueltig ? std::max(c.festGrenze, s.festOffset + (f_.jet3 ? 1 : 2) + s.groesse) : INT_MAX;
        } else if (c.pruefart[k] != Pruefart::Nichts) {
            c.pruefSpalten.push_back(std::uint16_t(k));
        }
    }
    c.bytFuer = c.filter;
}

void Kandidatenpruefung::textWert(std::size_t k, const QString& t)
{
    if (kandidat || !f_.gesucht[k])
        return;
    std::uint8_t gesehen = 0;
    for (const QChar c : t)
        gesehen |= f_.klasse[c.unicode()];
    kandidat = (gesehen & f_.alle) == f_.alle;
}

void Kandidatenpruefung::text(std::size_t k, const unsigned char* p, std::size_t n)
{
    if (!kandidat && f_.gesucht[k])
        kandidat = d_.enthaeltAlle(p, n, f_, byt_);
}

void Kandidatenpruefung::langwert(std::size_t k, const unsigned char* kopf, std::size_t n)
{
    d_.langwertLesen(kopf, n, d_.langwertPuffer);  // checked as a full read checks it
    art(k, WertArt::Binaer);
}

void Dekoder::textDekodieren(const unsigned char* p, std::size_t n, QString& ziel) const
{
    // Room for the longest decoding (one character per byte), then the real length.
    const std::size_t platz = f_.jet3 || (n >= 2 && p[0] == 0xff && p[1] == 0xfe) ? n : n / 2;
    ziel.resize(qsizetype(platz));
    const std::size_t k = textDekodieren(p, n, reinterpret_cast<char16_t*>(ziel.data()));
    if (k != platz)
        ziel.resize(qsizetype(k));
}

// Reads a memo or OLE value from its 12-byte head in the row.
void Dekoder::langwertLesen(const unsigned char* kopf, std::size_t n, QByteArray& ziel)
{
    ziel.resize(0);  // keeps the capacity for the next value
    if (n < LangwertKopf)
        return;
    const std::uint32_t laengeFlags = le32(kopf);
    const std::uint32_t laenge = laengeFlags & LangwertLaengeMaske;
    if (laengeFlags & LangwertInline) {
        const std::size_t inhalt = n - LangwertKopf;
        ziel.append(reinterpret_cast<const char*>(kopf + LangwertKopf), qsizetype(inhalt));
        return;
    }
    if (laenge > std::uint64_t(f_.seitenAnzahl) * std::uint64_t(f_.seitenGroesse))
        beschaedigt(f_.datei, QStringLiteral("ein Memo- oder OLE-Wert ist länger als die Datei"));
    std::uint32_t pgRow = le32(kopf + 4);
    if (laengeFlags & LangwertEineSeite) {
        const auto [zeile, len] = langwertZeile(pgRow, "ein Memo- oder OLE-Wert verweist auf eine ungültige Seite");
        if (len < laenge)
            beschaedigt(f_.datei, QStringLiteral("ein Memo- oder OLE-Wert ist unvollständig"));
        ziel.append(reinterpret_cast<const char*>(zeile), qsizetype(laenge));
        return;
    }
    if ((laengeFlags & 0xc0000000u) != 0)
        beschaedigt(f_.datei, QStringLiteral("ein Memo- oder OLE-Wert hat eine unbekannte Art"));
    // Chain of long-value rows: 4 bytes pointer to the next piece, then data.
    ziel.reserve(qsizetype(laenge));
    std::uint32_t schritte = 0;
    while (std::uint32_t(ziel.size()) < laenge) {
        if (pgRow == 0 || ++schritte > f_.seitenAnzahl * 2u)
            beschaedigt(f_.datei, QStringLiteral("die Kette eines Memo- oder OLE-Werts bricht ab"));
        const auto [zeile, len] = langwertZeile(pgRow, "die Kette eines Memo- oder OLE-Werts verweist auf eine ungültige Seite");
        if (len < 4)
            beschaedigt(f_.datei, QStringLiteral("die Kette eines Memo- oder OLE-Werts verweist auf eine ungültige Seite"));
        q_.lebenszeichen();
        const std::size_t stueck = std::min<std::size_t>(len - 4, laenge - std::uint32_t(ziel.size()));
        ziel.append(reinterpret_cast<const char*>(zeile + 4), qsizetype(stueck));
        pgRow = le32(zeile);
    }
}

std::pair<const unsigned char*, std::size_t> Dekoder::langwertZeile(std::uint32_t pgRow, const char* wofuer)
{
    const std::uint32_t nummer = pgRow >> 8;
    const int zeile = int(pgRow & 0xff);
    if (nummer == 0 || nummer >= f_.seitenAnzahl)
        beschaedigt(f_.datei, QString::fromUtf8(wofuer));
    LangwertSeite* platz = &langwertSeiten_[0];
    for (auto& l : langwertSeiten_) {
        if (l.nummer == nummer) {
            platz = &l;
            break;
        }
        if (l.benutzt < platz->benutzt)
            platz = &l;
    }
    if (platz->nummer != nummer) {
        platz->daten.resize(std::size_t(f_.seitenGroesse));
        platz->nummer = 0;
        q_.seiteLesen(nummer, platz->daten.data());
        platz->nummer = nummer;
    }
    platz->benutzt = ++langwertZugriffe_;
    const unsigned char* seite = platz->daten.data();
    const int rco = f_.zeilenzahlOffset;
    if (seite[0] != SeiteDaten || zeile >= le16(seite + rco))
        beschaedigt(f_.datei, QString::fromUtf8(wofuer));
    // The flags of a long-value row carry no meaning for its data, and an
    // empty piece of a value is no damage: only the bounds count here.
    const Zeilenplatz z = zeilenplatz(seite, zeile);
    if (z.start < rco + 2 || z.start > z.ende || z.ende > f_.seitenGroesse)
        beschaedigt(f_.datei, QString::fromUtf8(wofuer));
    return {seite + z.start, std::size_t(z.ende - z.start)};
}

// Whether a row can hold a hit by c's filter: judged field by field until
// one can. Judging decodes a field as far as a full read does, so damage is
// found either way.
bool Dekoder::kannTreffen(Cursor& c, const Zeilenkopf& kopf, std::uint32_t seitenNr)
{
    if (c.bytFuer != c.filter)
        filterVorbereiten(c);
    const Kandidatenfilter& f = *c.filter;
    Kandidatenpruefung pruefung(*this, f, c.bytfilter);
    // In a row too short for a fixed field, every column is visited.
    const bool kurz = kopf.laenge < c.festGrenze;
    const std::size_t anzahl = kurz ? c.auswahl.size() : c.pruefSpalten.size();
    for (std::size_t i = 0; i < anzahl && !pruefung.kandidat; ++i) {
        const std::size_t k = kurz ? i : c.pruefSpalten[i];
        const Spalte& s = c.tabelle->spalten[std::size_t(c.auswahl[k])];
        const unsigned char* p = nullptr;
        int n = 0;
        switch (c.pruefart[k]) {
        case Pruefart::Nichts: break;
        case Pruefart::Grenzen: feldBytes(s, kopf, seitenNr, p, n); break;
        case Pruefart::Text:
            textBytes(s, kopf, seitenNr, p, n);
            pruefung.kandidat = kandidatAufSeite(p, std::size_t(n), f, c.bytfilter);
            break;
        case Pruefart::Memo:
            if (!feldBytes(s, kopf, seitenNr, p, n))
                break;
            if (std::size_t(n) >= LangwertKopf && (le32(p) & LangwertInline)) {
                pruefung.kandidat = f.gesucht[k] && kandidatAufSeite(p + LangwertKopf, std::size_t(n) - LangwertKopf, f, c.bytfilter);
                break;
            }
            feldDekodieren(s, k, kopf, seitenNr, pruefung);
            break;
        case Pruefart::Voll: feldDekodieren(s, k, kopf, seitenNr, pruefung); break;
        }
    }
    return pruefung.kandidat;
}

// Cracks row `zeile` of data page `seitenNr` and decodes the cursor's
// columns into ziel. Returns false for rows that are not there (deleted or
// empty slots).
template <class Ziel>
bool Dekoder::zeileDekodieren(Cursor& c, const unsigned char* seite, std::uint32_t seitenNr, int zeile, Ziel& ziel, bool filtern,
                              int tiefe)
{
    const Zeilenplatz platz = zeilenplatz(seite, zeile);
    // A moved row's data is flagged like a deleted row, so that a scan of its
    // page passes over it; reached through its pointer it is the live row.
    if (platz.geloescht && tiefe == 0)
        return false;
    if (!platz.belegt)
        beschaedigt(f_.datei, QStringLiteral("Zeile %1 auf Seite %2 liegt außerhalb ihrer Seite").arg(zeile).arg(seitenNr));
    const int start = platz.start;
    const int ende = platz.ende;
    if (platz.verweis) {
        // The row was moved: the slot holds the page and row of its data.
        const int rco = f_.zeilenzahlOffset;
        if (ende - start < 4 || tiefe > 0)
            beschaedigt(f_.datei, QStringLiteral("ein Zeilenverweis auf Seite %1 ist ungültig").arg(seitenNr));
        const std::uint32_t ziel32 = le32(seite + start);
        verweisSeite_.resize(std::size_t(f_.seitenGroesse) + Bytfilter::Reserve);
        if (!q_.seiteLesen(ziel32 >> 8, verweisSeite_.data()) || verweisSeite_[0] != SeiteDaten
            || int(ziel32 & 0xff) >= le16(&verweisSeite_[std::size_t(rco)]))
            beschaedigt(f_.datei, QStringLiteral("ein Zeilenverweis auf Seite %1 zeigt ins Leere").arg(seitenNr));
        return zeileDekodieren(c, verweisSeite_.data(), ziel32 >> 8, int(ziel32 & 0xff), ziel, filtern, tiefe + 1);
    }

    const Zeilenkopf kopf = zeilenkopfLesen(*c.tabelle, seite + start, ende - start, seitenNr);
    const std::size_t breite = c.auswahl.size();
    const auto spalte = [&c](std::size_t k) -> const Spalte& { return c.tabelle->spalten[std::size_t(c.auswahl[k])]; };
    // A row the filter rejects comes as a row of Nulls, so it still counts.
    if (filtern && !kannTreffen(c, kopf, seitenNr)) {
        ziel.leereZeile(breite);
        return true;
    }
    for (std::size_t k = 0; k < breite; ++k)
        feldDekodieren(spalte(k), k, kopf, seitenNr, ziel);
    return true;
}

// The parts of a row that say where its fields are: column count, null
// mask and the table of variable offsets.
Dekoder::Zeilenkopf Dekoder::zeilenkopfLesen(const Tabelle& t, const unsigned char* z, int laenge, std::uint32_t seitenNr) const
{
    Zeilenkopf kopf;
    const int zaehlerGroesse = f_.jet3 ? 1 : 2;
    if (laenge < zaehlerGroesse + 1)
        beschaedigt(f_.datei, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
    const int spaltenInZeile = f_.jet3 ? z[0] : le16(z);
    const int maskenGroesse = (spaltenInZeile + 7) / 8;
    const int letztes = laenge - 1;  // index of the row's last byte
    if (maskenGroesse + zaehlerGroesse >= laenge)
        beschaedigt(f_.datei, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz für ihre Spalten").arg(seitenNr));
    const unsigned char* nullMaske = z + laenge - maskenGroesse;

    auto& varOffsets = kopf.varOffsets;
    int varSpalten = 0;
    if (t.varSpalten) {
        if (f_.jet3) {
            varSpalten = z[letztes - maskenGroesse];
            int spruenge = (laenge - 1) / 256;
            // The offsets start behind all jump bytes, a dummy last one too.
            const int tabelle = letztes - maskenGroesse - spruenge - 1;
            if (spruenge > 0 && (tabelle - varSpalten) / 256 < spruenge)
                --spruenge;
            if (tabelle - varSpalten < 0 || varSpalten > MaxSpalten)
                beschaedigt(f_.datei, QStringLiteral("die Spaltentabelle einer Zeile auf Seite %1 ist ungültig").arg(seitenNr));
            int benutzt = 0;
            for (int i = 0; i <= varSpalten; ++i) {
                while (benutzt < spruenge && i == z[letztes - maskenGroesse - benutzt - 1])
                    ++benutzt;
                varOffsets[std::size_t(i)] = z[tabelle - i] + benutzt * 256;
            }
        } else {
            if (letztes - maskenGroesse - 1 < 2)
                beschaedigt(f_.datei, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
            varSpalten = le16(z + letztes - maskenGroesse - 1);
            if (varSpalten > MaxSpalten || maskenGroesse + 3 + varSpalten * 2 + 2 > laenge)
                beschaedigt(f_.datei, QStringLiteral("die Spaltentabelle einer Zeile auf Seite %1 ist ungültig").arg(seitenNr));
            for (int i = 0; i <= varSpalten; ++i)
                varOffsets[std::size_t(i)] = le16(z + letztes - maskenGroesse - 3 - i * 2);
        }
    }
    const int festInZeile = spaltenInZeile - varSpalten;

    kopf.z = z;
    kopf.laenge = laenge;
    kopf.zaehlerGroesse = zaehlerGroesse;
    kopf.maskenGroesse = maskenGroesse;
    kopf.nullMaske = nullMaske;
    kopf.varSpalten = varSpalten;
    kopf.festInZeile = festInZeile;
    return kopf;
}

// Damage of a field on page seitenNr (muster: UTF-8, %1 the page). Apart,
// so that the code of every field of every row stays small enough to inline.
[[noreturn, gnu::noinline, gnu::cold]] static void feldBeschaedigt(const QString& datei, const char* muster, std::uint32_t seitenNr)
{
    beschaedigt(datei, QString::fromUtf8(muster).arg(seitenNr));
}

constexpr const char* FeldAusserhalb = "ein Feld einer Zeile auf Seite %1 liegt außerhalb der Zeile";

// Where a field's bytes lie in the row; false for Null (a Yes/No value is its
// null bit and never comes here).
inline bool Dekoder::feldBytes(const Spalte& s, const Zeilenkopf& kopf, std::uint32_t seitenNr, const unsigned char*& p, int& n) const
{
    const int bit = s.spaltenNr;
    if (bit / 8 >= kopf.maskenGroesse || !(kopf.nullMaske[bit / 8] & (1 << (bit % 8))))
        return false;
    int von = 0, bis = 0;
    if (s.fest) {
        // A row written before a fixed column was added ends before it.
        if (s.festNr >= kopf.festInZeile)
            return false;
        von = s.festOffset + kopf.zaehlerGroesse;
        bis = von + s.groesse;
    } else {
        if (s.varNr >= kopf.varSpalten)
            return false;
        von = kopf.varOffsets[std::size_t(s.varNr)];
        bis = kopf.varOffsets[std::size_t(s.varNr) + 1];
    }
    if (von < 0 || bis < von || bis > kopf.laenge)
        feldBeschaedigt(f_.datei, FeldAusserhalb, seitenNr);
    p = kopf.z + von;
    n = bis - von;
    return true;
}

// Where a variable text lies, as feldBytes finds it, but without a branch on
// whether it is there: a Null text, or one the row does not reach, comes as
// no bytes at the row's start. Nulls vary from row to row; a branch on them
// is guessed wrong half the time.
inline void Dekoder::textBytes(const Spalte& s, const Zeilenkopf& kopf, std::uint32_t seitenNr, const unsigned char*& p, int& n) const
{
    const int bit = s.spaltenNr;
    const int maskenByte = std::min(bit / 8, kopf.maskenGroesse - 1);  // -1 (no mask): the row's last byte
    const bool da = (bit / 8 < kopf.maskenGroesse) & ((kopf.nullMaske[maskenByte] >> (bit % 8)) & 1)
        & (s.varNr < kopf.varSpalten);
    const std::size_t i = da ? std::size_t(s.varNr) : 0;
    const int von = da ? kopf.varOffsets[i] : 0;
    const int bis = da ? kopf.varOffsets[i + 1] : 0;
    if (da && (von < 0 || bis < von || bis > kopf.laenge))
        feldBeschaedigt(f_.datei, FeldAusserhalb, seitenNr);
    p = kopf.z + von;
    n = bis - von;
}

// A calculated column's stored result, behind a 20-byte head with its length
// at 16; p and n are moved onto the result. True when the value is given to
// ziel here (Null, Yes/No, Memo, Decimal); the others go on in the result's type.
template <class Ziel>
bool Dekoder::berechnetAuspacken(std::size_t k, JetTyp typ, std::uint32_t seitenNr, const unsigned char*& p, int& n, Ziel& ziel)
{
    if (typ == JetTyp::Memo) {
        langwertLesen(p, std::size_t(n), langwertPuffer);
        p = reinterpret_cast<const unsigned char*>(langwertPuffer.constData());
        n = int(langwertPuffer.size());
    }
    if (n >= 20) {
        n = int(std::min<std::uint32_t>(le32(p + 16), std::uint32_t(n - 20)));
        p += 20;
    }
    if (n == 0 && typ != JetTyp::Text && typ != JetTyp::Memo)
        ziel.null(k);
    else if (typ == JetTyp::JaNein)
        ziel.janein(k, p[0] != 0);
    else if (typ == JetTyp::Memo)
        ziel.text(k, p, std::size_t(n));
    else if (typ == JetTyp::Decimal) {
        DecimalWert d;
        if (!berechneteDezimalzahl(p, std::size_t(n), d))
            beschaedigt(f_.datei, QStringLiteral("ein berechneter Wert auf Seite %1 ist ungültig").arg(seitenNr));
        ziel.decimal(k, d);
    } else
        return false;
    return true;
}

// The values of fixed width; false for the other types.
template <class Ziel>
bool Dekoder::festerWert(const Spalte& s, std::size_t k, JetTyp typ, const unsigned char* p, int n, std::uint32_t seitenNr, Ziel& ziel)
{
    if (n < festeBreite(typ))
        feldBeschaedigt(f_.datei, "ein Feld einer Zeile auf Seite %1 ist zu kurz", seitenNr);
    switch (typ) {
    case JetTyp::Byte: ziel.ganzzahl(k, p[0]); return true;
    case JetTyp::Integer: ziel.ganzzahl(k, std::int16_t(le16(p))); return true;
    case JetTyp::Long: ziel.ganzzahl(k, std::int32_t(le32(p))); return true;
    case JetTyp::GrosseZahl: ziel.ganzzahl(k, std::int64_t(le64(p))); return true;
    case JetTyp::Currency: ziel.waehrung(k, std::int64_t(le64(p))); return true;
    case JetTyp::Single: ziel.single(k, std::bit_cast<float>(le32(p))); return true;
    case JetTyp::Double: ziel.dbl(k, WertArt::Double, std::bit_cast<double>(le64(p))); return true;
    case JetTyp::Datum: ziel.dbl(k, WertArt::Datum, std::bit_cast<double>(le64(p))); return true;
    case JetTyp::Guid: ziel.guid(k, p); return true;
    case JetTyp::Decimal: {
        DecimalWert d;
        d.negativ = (p[0] & 0x80) != 0;
        d.skala = std::uint8_t(std::clamp(s.skala, 0, 28));
        // Four 32-bit words, most significant first; the top word is
        // always zero within Jet's 28 digits.
        d.teile[0] = le32(p + 13);
        d.teile[1] = le32(p + 9);
        d.teile[2] = le32(p + 5);
        ziel.decimal(k, d);
        return true;
    }
    default: return false;
    }
}

template <class Ziel>
void Dekoder::feldDekodieren(const Spalte& s, std::size_t k, const Zeilenkopf& kopf, std::uint32_t seitenNr, Ziel& ziel)
{
    if (s.typ == JetTyp::JaNein && !s.berechnet) {
        const int bit = s.spaltenNr;
        ziel.janein(k, bit / 8 < kopf.maskenGroesse && (kopf.nullMaske[bit / 8] & (1 << (bit % 8))));
        return;
    }
    const unsigned char* p = nullptr;
    int n = 0;
    if (!feldBytes(s, kopf, seitenNr, p, n)) {
        ziel.null(k);
        return;
    }
    const JetTyp typ = s.berechnet ? s.ergebnisTyp : s.typ;
    if ((s.berechnet && berechnetAuspacken(k, typ, seitenNr, p, n, ziel)) || festerWert(s, k, typ, p, n, seitenNr, ziel))
        return;
    switch (typ) {
    case JetTyp::Text: ziel.text(k, p, std::size_t(n)); break;
    case JetTyp::Memo:
        if (std::size_t(n) >= LangwertKopf && (le32(p) & LangwertInline)) {
            // In the row behind its head, as langwertLesen would copy it.
            ziel.text(k, p + LangwertKopf, std::size_t(n) - LangwertKopf);
            break;
        }
        langwertLesen(p, std::size_t(n), langwertPuffer);
        ziel.text(k, reinterpret_cast<const unsigned char*>(langwertPuffer.constData()), std::size_t(langwertPuffer.size()));
        break;
    case JetTyp::Ole: ziel.langwert(k, p, std::size_t(n)); break;
    case JetTyp::Binaer: ziel.binaer(k, reinterpret_cast<const char*>(p), std::size_t(n)); break;
    case JetTyp::DatumErweitert: {
        const std::int64_t ticks = datumErweitertLesen(p, std::size_t(n));
        if (ticks < 0)
            beschaedigt(f_.datei, QStringLiteral("ein Wert „Datum/Uhrzeit erweitert“ auf Seite %1 ist ungültig").arg(seitenNr));
        ziel.datumErweitert(k, ticks);
        break;
    }
    case JetTyp::Komplex: komplexWert(s, k, p, n, seitenNr, ziel); break;
    default: ziel.binaer(k, nullptr, 0); break;  // types this program cannot show
    }
}

// The key of the row's values in the column's hidden table.
template <class Ziel>
void Dekoder::komplexWert(const Spalte& s, std::size_t k, const unsigned char* p, int n, std::uint32_t seitenNr, Ziel& ziel)
{
    if (n < 4)
        beschaedigt(f_.datei, QStringLiteral("ein Feld einer Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
    if (!s.komplexWerte) {
        ziel.binaer(k, nullptr, 0);  // version history and kinds we do not know
        return;
    }
    const auto it = s.komplexWerte->find(le32(p));
    if (it == s.komplexWerte->end())
        ziel.null(k);
    else
        ziel.textWert(k, it->second);
}

// The next rows of the cursor into ziel; returns how many.
template <class Ziel>
int Dekoder::zeilenLesen(Cursor& c, Ziel& ziel, int maxZeilen)
{
    const std::size_t breite = c.auswahl.size();
    int zeilen = 0;
    while (zeilen < maxZeilen && !c.ende) {
        if (c.seitenNr == 0 || c.zeileAufSeite >= c.zeilenAufSeite) {
            if (!naechsteDatenseite(c)) {
                c.ende = true;
                c.positionenKomplett = true;
                zaehlungPruefen(c);
                break;
            }
            continue;
        }
        const int zeile = c.zeileAufSeite++;
        // A row that cannot be read is noted and passed; the next one may be whole.
        const std::size_t stand = ziel.stand();
        bool gelesen = false;
        try {
            gelesen = zeileDekodieren(c, c.seite.data(), c.seitenNr, zeile, ziel, c.filter != nullptr);
        } catch (const Beschaedigung& b) {
            ziel.zuruecknehmen(stand);
            schadenNotieren(c, c.seitenNr, b.grund);
        }
        if (gelesen) {
            if (!c.positionenKomplett && c.positionen.size() == c.gelieferteZeilen)
                c.positionen.push_back((std::uint64_t(c.seitenNr) << 9) | std::uint64_t(zeile));
            ++c.gelieferteZeilen;
            ++zeilen;
            ziel.weiter(breite);
        }
    }
    return zeilen;
}

// Rows von .. von + anzahl - 1 of the cursor, reached through its row
// positions, into ziel; the running position stays. Rows of one page lie
// side by side in the positions, so each page is read once for a range.
template <class Ziel>
int Dekoder::bereichLesen(Cursor& c, std::int64_t von, int anzahl, Ziel& ziel)
{
    if (von < 0 || anzahl <= 0)
        return 0;
    // Rows the cursor has read already have their positions.
    if (!c.positionenKomplett && std::uint64_t(von) + std::uint64_t(anzahl) > c.positionen.size())
        positionenZaehlen(c);
    const std::uint64_t bis = std::min<std::uint64_t>(std::uint64_t(von) + std::uint64_t(anzahl), c.positionen.size());
    c.bereichSeite.resize(std::size_t(f_.seitenGroesse));
    std::uint32_t geladen = 0;
    int zeilen = 0;
    for (std::uint64_t n = std::uint64_t(von); n < bis; ++n) {
        const std::uint64_t pos = c.positionen[std::size_t(n)];
        const std::uint32_t seite = std::uint32_t(pos >> 9);
        if (seite != geladen) {
            if (!q_.seiteLesen(seite, c.bereichSeite.data()))
                beschaedigt(f_.datei, QStringLiteral("eine Seite der Tabelle fehlt"));
            geladen = seite;
        }
        if (!zeileDekodieren(c, c.bereichSeite.data(), seite, int(pos & 0x1ff), ziel, false))
            break;
        ++zeilen;
        ziel.weiter(c.auswahl.size());
    }
    return zeilen;
}

// Walks the pages once and notes where every row is, for row n on demand.
void Dekoder::positionenZaehlen(Cursor& c)
{
    Cursor zaehler;
    zaehler.tabelle = c.tabelle;
    zaehler.seite.resize(c.seite.size());
    std::vector<std::uint64_t> positionen;
    while (naechsteDatenseite(zaehler)) {
        for (int r = 0; r < zaehler.zeilenAufSeite; ++r) {
            const Zeilenplatz platz = zeilenplatz(zaehler.seite.data(), r);
            if (!platz.geloescht && platz.belegt)
                positionen.push_back((std::uint64_t(zaehler.seitenNr) << 9) | std::uint64_t(r));
        }
    }
    // What the count passed over is named as a forward read names it: the
    // grid shows the rows it could read and says which are missing.
    zaehler.gelieferteZeilen = std::uint32_t(positionen.size());
    zaehlungPruefen(zaehler);
    for (const Schaden& s : zaehler.schaeden)
        if (std::find(c.schaeden.begin(), c.schaeden.end(), s) == c.schaeden.end())
            c.schaeden.push_back(s);
    c.positionen = std::move(positionen);
    c.positionenKomplett = true;
}


std::vector<unsigned char> Dekoder::tabellendefinition(std::uint32_t seite)
{
    std::vector<unsigned char> tdef;
    std::vector<unsigned char> puffer(std::size_t(f_.seitenGroesse));
    for (std::uint32_t n = 0; seite != 0; ++n) {
        if (n >= f_.seitenAnzahl || !q_.seiteLesen(seite, puffer.data()) || puffer[0] != SeiteTabelle)
            beschaedigt(f_.datei, QStringLiteral("die Definition einer Tabelle auf Seite %1 ist nicht lesbar").arg(seite));
        tdef.insert(tdef.end(), puffer.begin() + (tdef.empty() ? 0 : 8), puffer.end());
        seite = le32(&puffer[4]);
    }
    return tdef;
}

// The rows a data page of table tdef holds; -1 for a page that is not one.
int Dekoder::zeilenAufDatenseite(const unsigned char* seite, std::uint32_t seitenNr, std::uint32_t tdef) const
{
    if (seite[0] != SeiteDaten || le32(seite + 4) != tdef)
        return -1;
    const int rco = f_.zeilenzahlOffset;
    const int zeilen = le16(seite + rco);
    const int platz = (f_.seitenGroesse - rco - 2) / 2;
    if (zeilen > platz)
        beschaedigt(f_.datei, QStringLiteral("Seite %1 nennt %2 Zeilen").arg(seitenNr).arg(zeilen));
    return zeilen;
}

void Dekoder::zuruecksetzen(Cursor& c)
{
    c.seitenNr = 0;
    c.zeileAufSeite = 0;
    c.zeilenAufSeite = 0;
    c.ende = false;
    c.mapUnbekannt = false;
    c.gelieferteZeilen = 0;
    c.schaeden.clear();
    c.geloeschteZeilen = 0;
    if (!c.positionenKomplett)
        c.positionen.clear();
}

template int Dekoder::zeilenLesen<InWerte>(Cursor&, InWerte&, int);
template int Dekoder::zeilenLesen<InNachricht>(Cursor&, InNachricht&, int);
template int Dekoder::bereichLesen<InWerte>(Cursor&, std::int64_t, int, InWerte&);
template int Dekoder::bereichLesen<InNachricht>(Cursor&, std::int64_t, int, InNachricht&);

}  // namespace Datenzugriff::Jet
