#include "Vergleich.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace Suche {

namespace {

constexpr qsizetype tabellenGroesse = 0x10000;

// Simple lower-case mapping of every UTF-16 unit. Unlike QString::toLower it
// never changes the length (U+0130 becomes "i", not "i" + combining dot), so
// positions in the lowered value are those of the value.
std::shared_ptr<const char16_t[]> grundFaltung()
{
    static const std::shared_ptr<const char16_t[]> tabelle = [] {
        std::shared_ptr<char16_t[]> t(new char16_t[tabellenGroesse]);
        for (char32_t c = 0; c < tabellenGroesse; ++c) {
            const bool surrogat = c >= 0xD800 && c <= 0xDFFF;
            t[c] = surrogat ? char16_t(c) : char16_t(QChar::toLower(c));
        }
        return std::shared_ptr<const char16_t[]>(t);
    }();
    return tabelle;
}

// The letters whose lower case depends on the language (Turkish and Azeri
// dotless i, Lithuanian i with dot). Where the locale maps one of them to a
// single other unit, that mapping wins.
std::shared_ptr<const char16_t[]> faltungFuer(const QLocale& locale)
{
    static constexpr char16_t sprachabhaengig[] = {0x0049, 0x0130, 0x004A, 0x012E, 0x00CC, 0x00CD, 0x0128};
    auto grund = grundFaltung();
    std::shared_ptr<char16_t[]> eigene;
    for (char16_t c : sprachabhaengig) {
        const QString klein = locale.toLower(QString(QChar(c)));
        if (klein.size() != 1 || klein.at(0).unicode() == grund[c])
            continue;
        if (!eigene) {
            eigene.reset(new char16_t[tabellenGroesse]);
            std::copy(grund.get(), grund.get() + tabellenGroesse, eigene.get());
        }
        eigene[c] = klein.at(0).unicode();
    }
    return eigene ? std::shared_ptr<const char16_t[]>(eigene) : grund;
}

QString ohneAeussereSterne(const QString& text)
{
    qsizetype ende = text.size();
    while (ende > 0 && text.at(ende - 1) == u'*')
        --ende;
    qsizetype anfang = 0;
    while (anfang < ende && text.at(anfang) == u'*')
        ++anfang;
    return text.mid(anfang, ende - anfang);
}

// Reused per thread: millions of values must not cost an allocation each.
std::vector<char16_t>& faltPuffer()
{
    thread_local std::vector<char16_t> puffer;
    return puffer;
}

}  // namespace

Suchmuster::Suchmuster(const QString& suchtext, Suchmodus modus, const QLocale& locale)
    : modus_(modus), faltung_(faltungFuer(locale))
{
    muster_ = falten(modus == Suchmodus::Platzhalter ? ohneAeussereSterne(suchtext) : suchtext);
    const bool sterne = modus == Suchmodus::Platzhalter && muster_.contains(u'*');
    nurLiterale_ = !sterne;
    const qsizetype p = muster_.size();
    // Literal patterns longer than one word are left to the substring search.
    if (p == 0 || (nurLiterale_ && p > 64))
        return;
    woerter_ = (p + 63) / 64;
    latin1Masken_.assign(size_t(256 * woerter_), 0);
    sternMaske_.assign(size_t(woerter_), 0);
    for (qsizetype i = 0; i < p; ++i) {
        const char16_t c = muster_.at(i).unicode();
        const qsizetype w = i / 64;
        const std::uint64_t bit = std::uint64_t(1) << (i % 64);
        if (sterne && c == u'*') {
            sternMaske_[size_t(w)] |= bit;
        } else if (c < 256) {
            latin1Masken_[size_t(c * woerter_ + w)] |= bit;
        } else {
            auto it = std::find_if(hoheZeichen_.begin(), hoheZeichen_.end(),
                                   [c](const Hohezeichen& h) { return h.zeichen == c; });
            if (it == hoheZeichen_.end()) {
                hoheZeichen_.push_back({c, std::vector<std::uint64_t>(size_t(woerter_), 0)});
                it = hoheZeichen_.end() - 1;
            }
            it->masken[size_t(w)] |= bit;
        }
    }
    // A star position accepts every character, so it belongs to every mask.
    for (qsizetype c = 0; c < 256; ++c)
        for (qsizetype w = 0; w < woerter_; ++w)
            latin1Masken_[size_t(c * woerter_ + w)] |= sternMaske_[size_t(w)];
    for (auto& h : hoheZeichen_)
        for (qsizetype w = 0; w < woerter_; ++w)
            h.masken[size_t(w)] |= sternMaske_[size_t(w)];
    if (woerter_ == 1) {
        // The mask of a value's own character below U+0100, lowering included.
        for (char16_t c = 0; c < 256; ++c)
            rohMasken_[c] = *maskeFuer(faltung_[c]);
    }
}

void Suchmuster::faltenIn(QStringView text, std::vector<char16_t>& ziel) const
{
    const qsizetype n = text.size();
    if (qsizetype(ziel.size()) < n)
        ziel.resize(size_t(n));
    const char16_t* q = text.utf16();
    char16_t* z = ziel.data();
    const char16_t* tab = faltung_.get();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = q[i];
        if ((c & 0xFC00) == 0xD800 && i + 1 < n && (q[i + 1] & 0xFC00) == 0xDC00) {
            // Cased letters beyond the BMP (Deseret, Adlam, ...) keep two units.
            const char32_t klein = QChar::toLower(QChar::surrogateToUcs4(c, q[i + 1]));
            z[i] = QChar::highSurrogate(klein);
            z[i + 1] = QChar::lowSurrogate(klein);
            ++i;
        } else {
            z[i] = tab[c];
        }
    }
}

QString Suchmuster::falten(QStringView text) const
{
    std::vector<char16_t> puffer;
    faltenIn(text, puffer);
    return QString(reinterpret_cast<const QChar*>(puffer.data()), text.size());
}

std::shared_ptr<const std::vector<std::uint8_t>> Suchmuster::einheitenKlassen(QStringView literale) const
{
    struct Letzte {
        std::shared_ptr<const char16_t[]> faltung;  // held, so its address names it
        QString literale;
        std::shared_ptr<const std::vector<std::uint8_t>> klassen;
    };
    thread_local Letzte letzte;
    if (letzte.klassen && letzte.faltung == faltung_ && letzte.literale == literale)
        return letzte.klassen;
    std::uint8_t surrogate = 0;
    for (qsizetype i = 0; i < literale.size(); ++i)
        if (literale[i].isSurrogate())
            surrogate |= std::uint8_t(1u << i);
    auto klassen = std::make_shared<std::vector<std::uint8_t>>(tabellenGroesse, 0);
    for (char32_t u = 0; u < tabellenGroesse; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) {
            (*klassen)[u] = surrogate;
            continue;
        }
        const char16_t klein = faltung_[u];
        for (qsizetype i = 0; i < literale.size(); ++i)
            if (literale[i].unicode() == klein)
                (*klassen)[u] = std::uint8_t(1u << i);
    }
    letzte = {faltung_, literale.toString(), klassen};
    return klassen;
}

const std::uint64_t* Suchmuster::maskeFuer(char16_t c) const
{
    if (c < 256)
        return &latin1Masken_[size_t(c * woerter_)];
    for (const auto& h : hoheZeichen_)
        if (h.zeichen == c)
            return h.masken.data();
    return sternMaske_.data();
}

bool Suchmuster::schiebeUnd(const char16_t* t, qsizetype laenge) const
{
    const std::uint64_t ziel = std::uint64_t(1) << (muster_.size() - 1);
    const std::uint64_t* latin1 = latin1Masken_.data();
    const std::uint64_t stern = sternMaske_[0];
    std::uint64_t d = 0;
    if (hoheZeichen_.empty()) {
        for (qsizetype i = 0; i < laenge; ++i) {
            const char16_t c = t[i];
            d = ((d << 1) | 1) & (c < 256 ? latin1[c] : stern);
            if (d & ziel)
                return true;
        }
        return false;
    }
    for (qsizetype i = 0; i < laenge; ++i) {
        d = ((d << 1) | 1) & *maskeFuer(t[i]);
        if (d & ziel)
            return true;
    }
    return false;
}

// Patterns longer than 64 units: the same automaton over several words,
// O(L * P / 64).
bool Suchmuster::schiebeUndBreit(const char16_t* t, qsizetype laenge) const
{
    const qsizetype p = muster_.size();
    const std::uint64_t ziel = std::uint64_t(1) << ((p - 1) % 64);
    const size_t letztes = size_t(woerter_ - 1);
    std::vector<std::uint64_t> d(size_t(woerter_), 0);
    for (qsizetype i = 0; i < laenge; ++i) {
        const std::uint64_t* m = maskeFuer(t[i]);
        std::uint64_t uebertrag = 1;
        for (size_t w = 0; w < size_t(woerter_); ++w) {
            const std::uint64_t alt = d[w];
            d[w] = ((alt << 1) | uebertrag) & m[w];
            uebertrag = alt >> 63;
        }
        if (d[letztes] & ziel)
            return true;
    }
    return false;
}

bool Suchmuster::trifft(QStringView wert) const
{
    const qsizetype l = wert.size();
    if (l == 0)
        return false;
    const qsizetype p = muster_.size();
    if (p == 0)
        return true;  // empty search text, or stars only
    if (l < p)
        return false;

    if (woerter_ == 1) {
        // One pass over the value, lowering each character on the way;
        // surrogate pairs lower as one code point, below.
        const std::uint64_t ziel = std::uint64_t(1) << (p - 1);
        const char16_t* t = wert.utf16();
        const char16_t* tab = faltung_.get();
        std::uint64_t d = 0;
        qsizetype i = 0;
        for (; i < l; ++i) {
            const char16_t c = t[i];
            std::uint64_t m;
            if (c < 256)
                m = rohMasken_[c];
            else if ((c & 0xF800) == 0xD800)
                break;
            else
                m = *maskeFuer(tab[c]);
            d = ((d << 1) | 1) & m;
            if (d & ziel)
                return true;
        }
        if (i == l)
            return false;
    }
    auto& puffer = faltPuffer();
    faltenIn(wert, puffer);
    if (nurLiterale_ && woerter_ == 0)
        return QStringView(puffer.data(), l).indexOf(QStringView(muster_)) >= 0;
    return woerter_ == 1 ? schiebeUnd(puffer.data(), l) : schiebeUndBreit(puffer.data(), l);
}

bool einfacherVergleich(QStringView wert, const QString& suchtext, const QLocale& locale)
{
    return Suchmuster(suchtext, Suchmodus::Einfach, locale).trifft(wert);
}

bool platzhalterVergleich(QStringView wert, const QString& suchtext, const QLocale& locale)
{
    return Suchmuster(suchtext, Suchmodus::Platzhalter, locale).trifft(wert);
}

}  // namespace Suche
