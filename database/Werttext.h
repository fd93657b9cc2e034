#pragma once
// The value text of a field: what the user's locale makes of a value. The
// search compares it and the protocol prints it. Built once per locale so
// that turning millions of values into text costs no locale lookups.

#include "Wert.h"

#include <QLocale>
#include <QString>
#include <QStringView>

#include <vector>

namespace Datenzugriff {

class Werttext {
public:
    explicit Werttext(const QLocale& locale);

    // Appends the value text of w to ziel (nothing for Null and binary values).
    void anhaengen(const Wert& w, QString& ziel) const;
    QString text(const Wert& w) const;

    // The value text without copying text values: a view on the value's own
    // text, or on puffer, which is overwritten (its capacity is kept). The
    // search loop uses this.
    QStringView ansicht(const Wert& w, QString& puffer) const
    {
        if (w.art == WertArt::Text)
            return w.text;
        puffer.resize(0);
        anhaengen(w, puffer);
        return puffer;
    }

    // Every character that a value text of this kind can contain (digits,
    // signs, separators, the locale's names); empty for text, which can hold
    // anything. Lets the search skip fields that cannot match.
    QString zeichenvorrat(WertArt art) const;

    // Null has no value text at all; the search skips it.
    static bool hatText(const Wert& w) { return !w.istNull(); }

private:
    struct Teil {
        enum Art { Wort, Tag, TagZweistellig, TagName, TagNameLang, Monat, MonatZweistellig, MonatName, MonatNameLang, Jahr,
                   Stunde, StundeZweistellig, Stunde12, Stunde12Zweistellig, Minute, MinuteZweistellig, Sekunde,
                   SekundeZweistellig, AmPm, AmPmKlein } art;
        QString wort;
    };
    static std::vector<Teil> zerlegen(const QString& format, bool datum);
    void zahl(double v, int stellen, QString& ziel) const;
    void datum(double tage, QString& ziel) const;
    void datumErweitert(std::int64_t ticks, QString& ziel) const;
    void waehrung(const Wert& w, QString& ziel) const;  // Currency
    void dezimal(const Wert& w, QString& ziel) const;   // Decimal
    // bruch: the fraction of the second in 100 ns, shown after the seconds when not 0.
    void teileAnhaengen(const std::vector<Teil>& teile, long long jahr, int monat, int tag, int wochentag, int sekunden,
                        QString& ziel, int bruch = 0) const;

    QChar dezimal_;
    QString wahr_, falsch_, am_, pm_;
    QString monatKurz_[12], monatLang_[12], tagKurz_[7], tagLang_[7];
    std::vector<Teil> datumTeile_, zeitTeile_;
};

}  // namespace Datenzugriff
