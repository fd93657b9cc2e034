#include "Werttext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace Datenzugriff {

namespace {

void ziffern(QString& ziel, unsigned long long v, int mindestens = 1)
{
    QChar puffer[24];
    int n = 24;
    do {
        puffer[--n] = QChar(char16_t(u'0' + v % 10));
        v /= 10;
    } while (v != 0);
    while (24 - n < mindestens)
        puffer[--n] = QChar(u'0');
    ziel.append(puffer + n, 24 - n);
}

void hex(QString& ziel, unsigned v, int stellen)
{
    static const char zeichen[] = "0123456789ABCDEF";
    for (int i = stellen - 1; i >= 0; --i)
        ziel.append(QLatin1Char(zeichen[(v >> (4 * i)) & 0xF]));
}

// Civil date of a day count from 1970-01-01 (proleptic Gregorian).
void zivilesDatum(long long tage, long long& jahr, int& monat, int& tag)
{
    tage += 719468;
    const long long era = (tage >= 0 ? tage : tage - 146096) / 146097;
    const long long doe = tage - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    tag = int(doy - (153 * mp + 2) / 5 + 1);
    monat = int(mp < 10 ? mp + 3 : mp - 9);
    jahr = yoe + era * 400 + (monat <= 2 ? 1 : 0);
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: the first three groups little-endian, as Windows shows them.
void guidText(const std::array<std::uint8_t, 16>& g, QString& ziel)
{
    ziel.append(QLatin1Char('{'));
    hex(ziel, unsigned(g[0]) | unsigned(g[1]) << 8 | unsigned(g[2]) << 16 | unsigned(g[3]) << 24, 8);
    ziel.append(QLatin1Char('-'));
    hex(ziel, unsigned(g[4]) | unsigned(g[5]) << 8, 4);
    ziel.append(QLatin1Char('-'));
    hex(ziel, unsigned(g[6]) | unsigned(g[7]) << 8, 4);
    ziel.append(QLatin1Char('-'));
    hex(ziel, unsigned(g[8]) << 8 | g[9], 4);
    ziel.append(QLatin1Char('-'));
    for (int i = 10; i < 16; ++i)
        hex(ziel, g[std::size_t(i)], 2);
    ziel.append(QLatin1Char('}'));
}

}  // namespace

Werttext::Werttext(const QLocale& locale)
{
    const QString punkt = locale.decimalPoint();
    dezimal_ = punkt.isEmpty() ? QLatin1Char('.') : punkt[0];
    if (locale.language() == QLocale::German) {
        wahr_ = QStringLiteral("Wahr");
        falsch_ = QStringLiteral("Falsch");
    } else {
        wahr_ = QStringLiteral("True");
        falsch_ = QStringLiteral("False");
    }
    am_ = locale.amText();
    pm_ = locale.pmText();
    for (int i = 0; i < 12; ++i) {
        monatKurz_[i] = locale.monthName(i + 1, QLocale::ShortFormat);
        monatLang_[i] = locale.monthName(i + 1, QLocale::LongFormat);
    }
    for (int i = 0; i < 7; ++i) {
        tagKurz_[i] = locale.dayName(i + 1, QLocale::ShortFormat);
        tagLang_[i] = locale.dayName(i + 1, QLocale::LongFormat);
    }
    datumTeile_ = zerlegen(locale.dateFormat(QLocale::ShortFormat), true);
    zeitTeile_ = zerlegen(locale.timeFormat(QLocale::LongFormat), false);
    // The long time ends in a time zone ("t"); a field value has none.
    while (!zeitTeile_.empty() && zeitTeile_.back().art == Teil::Wort && zeitTeile_.back().wort.trimmed().isEmpty())
        zeitTeile_.pop_back();
}

std::vector<Werttext::Teil> Werttext::zerlegen(const QString& format, bool datum)
{
    std::vector<Teil> teile;
    auto wort = [&](const QString& w) {
        if (!teile.empty() && teile.back().art == Teil::Wort)
            teile.back().wort += w;
        else
            teile.push_back({Teil::Wort, w});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            const qsizetype ende = format.indexOf(u'\'', i + 1);
            if (ende == i + 1) {
                wort(QStringLiteral("'"));
                i += 2;
                continue;
            }
            wort(format.mid(i + 1, ende < 0 ? -1 : ende - i - 1));
            i = ende < 0 ? format.size() : ende + 1;
            continue;
        }
        qsizetype n = 1;
        while (i + n < format.size() && format[i + n] == c)
            ++n;
        const char16_t u = c.unicode();
        Teil::Art art = Teil::Wort;
        if (datum && u == u'd')
            art = n == 1 ? Teil::Tag : n == 2 ? Teil::TagZweistellig : n == 3 ? Teil::TagName : Teil::TagNameLang;
        else if (datum && u == u'M')
            art = n == 1 ? Teil::Monat : n == 2 ? Teil::MonatZweistellig : n == 3 ? Teil::MonatName : Teil::MonatNameLang;
        else if (datum && u == u'y')
            art = Teil::Jahr;  // always four digits, also where the locale says "yy"
        else if (!datum && u == u'H')
            art = n == 1 ? Teil::Stunde : Teil::StundeZweistellig;
        else if (!datum && u == u'h')
            art = n == 1 ? Teil::Stunde12 : Teil::Stunde12Zweistellig;
        else if (!datum && u == u'm')
            art = n == 1 ? Teil::Minute : Teil::MinuteZweistellig;
        else if (!datum && u == u's')
            art = n == 1 ? Teil::Sekunde : Teil::SekundeZweistellig;
        else if (!datum && (u == u'A' || u == u'a'))
            art = u == u'A' ? Teil::AmPm : Teil::AmPmKlein;
        else if (!datum && (u == u't' || u == u'z'))
            art = Teil::Wort;  // time zone and milliseconds are not part of a value
        if (art == Teil::Wort) {
            if (!(!datum && (u == u't' || u == u'z')))
                wort(format.mid(i, n));
        } else {
            if ((art == Teil::AmPm || art == Teil::AmPmKlein) && i + n < format.size()
                && (format[i + n] == u'P' || format[i + n] == u'p'))
                ++n;
            teile.push_back({art, {}});
        }
        i += n;
    }
    return teile;
}

void Werttext::teileAnhaengen(const std::vector<Teil>& teile, long long jahr, int monat, int tag, int wochentag,
                              int sekunden, QString& ziel, int bruch) const
{
    auto bruchAnhaengen = [&] {
        if (bruch == 0)
            return;
        int stellen = 7;
        while (bruch % 10 == 0) {
            bruch /= 10;
            --stellen;
        }
        ziel.append(dezimal_);
        ziffern(ziel, unsigned(bruch), stellen);
    };
    const int stunde = sekunden / 3600, minute = sekunden / 60 % 60, sekunde = sekunden % 60;
    const int stunde12 = stunde % 12 == 0 ? 12 : stunde % 12;
    for (const Teil& t : teile) {
        switch (t.art) {
        case Teil::Wort: ziel += t.wort; break;
        case Teil::Tag: ziffern(ziel, unsigned(tag)); break;
        case Teil::TagZweistellig: ziffern(ziel, unsigned(tag), 2); break;
        case Teil::TagName: ziel += tagKurz_[wochentag]; break;
        case Teil::TagNameLang: ziel += tagLang_[wochentag]; break;
        case Teil::Monat: ziffern(ziel, unsigned(monat)); break;
        case Teil::MonatZweistellig: ziffern(ziel, unsigned(monat), 2); break;
        case Teil::MonatName: ziel += monatKurz_[monat - 1]; break;
        case Teil::MonatNameLang: ziel += monatLang_[monat - 1]; break;
        case Teil::Jahr: ziffern(ziel, (unsigned long long)jahr, 4); break;
        case Teil::Stunde: ziffern(ziel, unsigned(stunde)); break;
        case Teil::StundeZweistellig: ziffern(ziel, unsigned(stunde), 2); break;
        case Teil::Stunde12: ziffern(ziel, unsigned(stunde12)); break;
        case Teil::Stunde12Zweistellig: ziffern(ziel, unsigned(stunde12), 2); break;
        case Teil::Minute: ziffern(ziel, unsigned(minute)); break;
        case Teil::MinuteZweistellig: ziffern(ziel, unsigned(minute), 2); break;
        case Teil::Sekunde: ziffern(ziel, unsigned(sekunde)); bruchAnhaengen(); break;
        case Teil::SekundeZweistellig: ziffern(ziel, unsigned(sekunde), 2); bruchAnhaengen(); break;
        case Teil::AmPm: ziel += stunde < 12 ? am_ : pm_; break;
        case Teil::AmPmKlein: ziel += (stunde < 12 ? am_ : pm_).toLower(); break;
        }
    }
}

// Up to `stellen` significant digits, shortest form; the exponent form where
// the number needs more digits before the point or is below 1E-04.
void Werttext::zahl(double v, int stellen, QString& ziel) const
{
    if (std::isnan(v)) {
        ziel += QStringLiteral("NaN");
        return;
    }
    if (std::isinf(v)) {
        ziel += v < 0 ? QStringLiteral("-unendlich") : QStringLiteral("unendlich");
        return;
    }
    if (v == 0)
        v = 0;  // a negative zero is shown as 0
    char puffer[64];
    const auto [ende, fehler] = std::to_chars(puffer, puffer + sizeof puffer, v, std::chars_format::general, stellen);
    if (fehler != std::errc())
        return;
    QChar aus[72];
    int k = 0;
    for (const char* p = puffer; p < ende; ++p) {
        const char c = *p;
        if (c == '.') {
            aus[k++] = dezimal_;
        } else if (c == 'e') {
            // C writes e+20; the value text is E+20 with at least two digits.
            aus[k++] = QChar(u'E');
            aus[k++] = QChar(char16_t(*++p));
            if (ende - p - 1 < 2)
                aus[k++] = QChar(u'0');
        } else {
            aus[k++] = QChar(char16_t(c));
        }
    }
    ziel.append(aus, k);
}

void Werttext::datum(double tage, QString& ziel) const
{
    // Outside the years 100 to 9999 a date is shown as its number.
    if (!std::isfinite(tage) || tage <= -657435.0 || tage >= 2958466.0) {
        zahl(tage, 15, ziel);
        return;
    }
    const double ganz = std::trunc(tage);
    long long tag = (long long)ganz;
    long long sekunden = std::llround(std::fabs(tage - ganz) * 86400.0);
    if (sekunden >= 86400) {
        // Rounding reached midnight: the start of the next calendar day.
        sekunden -= 86400;
        tag += 1;
    }
    if (tag != 0) {
        long long jahr;
        int monat, t;
        zivilesDatum(tag - 25569, jahr, monat, t);
        const int wochentag = int((tag % 7 + 7 + 5) % 7);  // from Monday; 30.12.1899 was a Saturday
        teileAnhaengen(datumTeile_, jahr, monat, t, wochentag, 0, ziel);
        if (sekunden == 0)
            return;
        ziel.append(QLatin1Char(' '));
    }
    teileAnhaengen(zeitTeile_, 1899, 12, 30, 5, int(sekunden), ziel);
}

// Date/Time Extended: years 1 to 9999 to the 100 ns; the day 30.12.1899
// alone shows only its time, as for Date.
void Werttext::datumErweitert(std::int64_t ticks, QString& ziel) const
{
    constexpr std::int64_t TicksProTag = 864000000000LL;
    constexpr long long Tag18991230 = 693593;  // days from 01.01.0001
    if (ticks < 0 || ticks >= 3652059 * TicksProTag) {
        ziffern(ziel, (unsigned long long)std::max<std::int64_t>(ticks, 0));
        return;
    }
    const long long tag = ticks / TicksProTag;
    const std::int64_t imTag = ticks % TicksProTag;
    const int sekunden = int(imTag / 10000000);
    const int bruch = int(imTag % 10000000);
    if (tag != Tag18991230) {
        long long jahr;
        int monat, t;
        zivilesDatum(tag - 719162, jahr, monat, t);  // 01.01.1970 is day 719162
        const int wochentag = int(tag % 7);  // from Monday; 01.01.0001 was a Monday
        teileAnhaengen(datumTeile_, jahr, monat, t, wochentag, 0, ziel);
        if (imTag == 0)
            return;
        ziel.append(QLatin1Char(' '));
    }
    teileAnhaengen(zeitTeile_, 1899, 12, 30, 5, sekunden, ziel, bruch);
}

void Werttext::anhaengen(const Wert& w, QString& ziel) const
{
    switch (w.art) {
    case WertArt::Null:
    case WertArt::Binaer:
        return;
    case WertArt::Text:
        ziel += w.text;
        return;
    case WertArt::Ganzzahl:
        if (w.ganzzahl < 0) {
            ziel.append(QLatin1Char('-'));
            ziffern(ziel, 0ull - (unsigned long long)w.ganzzahl);
        } else {
            ziffern(ziel, (unsigned long long)w.ganzzahl);
        }
        return;
    case WertArt::Single:
        zahl(double(w.single), 7, ziel);
        return;
    case WertArt::Double:
        zahl(w.dbl, 15, ziel);
        return;
    case WertArt::Currency:
        waehrung(w, ziel);
        return;
    case WertArt::Decimal:
        dezimal(w, ziel);
        return;
    case WertArt::Datum:
        datum(w.dbl, ziel);
        return;
    case WertArt::DatumErweitert:
        datumErweitert(w.ticks, ziel);
        return;
    case WertArt::JaNein:
        ziel += w.janein ? wahr_ : falsch_;
        return;
    case WertArt::Guid:
        guidText(w.guid, ziel);
        return;
    }
}

void Werttext::waehrung(const Wert& w, QString& ziel) const
{
    const bool negativ = w.waehrung < 0;
    const unsigned long long betrag = negativ ? 0ull - (unsigned long long)w.waehrung : (unsigned long long)w.waehrung;
    if (negativ)
        ziel.append(QLatin1Char('-'));
    ziffern(ziel, betrag / 10000);
    unsigned rest = unsigned(betrag % 10000);
    if (rest != 0) {
        ziel.append(dezimal_);
        int stellen = 4;
        while (rest % 10 == 0) {
            rest /= 10;
            --stellen;
        }
        ziffern(ziel, rest, stellen);
    }
}

void Werttext::dezimal(const Wert& w, QString& ziel) const
{
    std::uint32_t teile[3] = {w.decimal.teile[0], w.decimal.teile[1], w.decimal.teile[2]};
    char puffer[40];
    int n = 0;
    while (teile[0] != 0 || teile[1] != 0 || teile[2] != 0 || n <= w.decimal.skala) {
        std::uint64_t rest = 0;
        for (int i = 2; i >= 0; --i) {
            const std::uint64_t teil = (rest << 32) | teile[i];
            teile[i] = std::uint32_t(teil / 10);
            rest = teil % 10;
        }
        puffer[n++] = char('0' + rest);
    }
    // puffer holds the digits from the last one; drop zeros after the point.
    int ab = 0;
    while (ab < w.decimal.skala && puffer[ab] == '0')
        ++ab;
    bool null = true;
    for (int i = ab; i < n; ++i)
        null = null && puffer[i] == '0';
    if (w.decimal.negativ && !null)
        ziel.append(QLatin1Char('-'));
    for (int i = n - 1; i >= ab; --i) {
        if (i == w.decimal.skala - 1)
            ziel.append(dezimal_);
        ziel.append(QLatin1Char(puffer[i]));
    }
}

QString Werttext::zeichenvorrat(WertArt art) const
{
    QString z;
    const QString ziffernUndZeichen = QStringLiteral("0123456789-");
    switch (art) {
    case WertArt::Null:
    case WertArt::Text:
    case WertArt::Binaer:
        return {};
    case WertArt::Ganzzahl:
        return ziffernUndZeichen;
    case WertArt::Currency:
    case WertArt::Decimal:
        return ziffernUndZeichen + dezimal_;
    case WertArt::Single:
    case WertArt::Double:
        return ziffernUndZeichen + dezimal_ + QStringLiteral("E+NaunendlichN");
    case WertArt::JaNein:
        return wahr_ + falsch_;
    case WertArt::Guid:
        return QStringLiteral("{}-0123456789ABCDEF");
    case WertArt::Datum:
    case WertArt::DatumErweitert:
        z = QStringLiteral("0123456789 ");
        for (const auto* teile : {&datumTeile_, &zeitTeile_})
            for (const Teil& t : *teile) {
                z += t.wort;
                if (t.art == Teil::AmPm || t.art == Teil::AmPmKlein)
                    z += am_ + pm_ + am_.toLower() + pm_.toLower();
                // Names only where the format shows them.
                for (int i = 0; i < 12; ++i)
                    z += t.art == Teil::MonatName ? monatKurz_[i] : t.art == Teil::MonatNameLang ? monatLang_[i] : QString();
                for (int i = 0; i < 7; ++i)
                    z += t.art == Teil::TagName ? tagKurz_[i] : t.art == Teil::TagNameLang ? tagLang_[i] : QString();
            }
        // A date outside the years 100 to 9999 is shown as a number.
        z += dezimal_ + QStringLiteral("E+-");
        return z;
    }
    return {};
}

QString Werttext::text(const Wert& w) const
{
    QString s;
    anhaengen(w, s);
    return s;
}

}  // namespace Datenzugriff
