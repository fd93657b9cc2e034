#pragma once
// A decoded field value as the reader hands it over: plain data, no libmdb
// type, so it can cross a process boundary unchanged.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace Datenzugriff {

enum class WertArt : std::uint8_t {
    Null,
    Text,      // Text and Memo
    Ganzzahl,  // Byte, Integer, Long (and the 64-bit range for Decimal without scale)
    Single,
    Double,
    Currency,  // 64-bit integer scaled by 10 000
    Decimal,   // 96-bit magnitude with sign and scale, as Jet stores it
    Datum,     // Jet day count since 30.12.1899 with the time as fraction
    JaNein,
    Guid,
    Binaer,    // OLE object and binary columns
    DatumErweitert,  // Date/Time Extended: 100-ns ticks since 01.01.0001 0:00
};
constexpr WertArt LetzteWertArt = WertArt::DatumErweitert;

struct DecimalWert {
    bool negativ = false;
    std::uint8_t skala = 0;              // digits after the decimal point
    std::uint32_t teile[3] = {0, 0, 0};  // little-endian 96-bit magnitude
};

struct Wert {
    WertArt art = WertArt::Null;
    union {
        std::int64_t ganzzahl;
        float single;
        double dbl;          // Double and Datum
        std::int64_t waehrung;
        bool janein;
        std::int64_t ticks;  // DatumErweitert
    };
    DecimalWert decimal{};
    std::array<std::uint8_t, 16> guid{};  // bytes as stored in the file
    QString text;
    QByteArray binaer;

    Wert() : ganzzahl(0) {}

    static Wert null() { return Wert(); }
    static Wert vonText(QString t) { Wert w; w.art = WertArt::Text; w.text = std::move(t); return w; }
    static Wert vonGanzzahl(std::int64_t v) { Wert w; w.art = WertArt::Ganzzahl; w.ganzzahl = v; return w; }
    static Wert vonSingle(float v) { Wert w; w.art = WertArt::Single; w.single = v; return w; }
    static Wert vonDouble(double v) { Wert w; w.art = WertArt::Double; w.dbl = v; return w; }
    static Wert vonWaehrung(std::int64_t skaliert) { Wert w; w.art = WertArt::Currency; w.waehrung = skaliert; return w; }
    static Wert vonDatum(double tage) { Wert w; w.art = WertArt::Datum; w.dbl = tage; return w; }
    static Wert vonJaNein(bool v) { Wert w; w.art = WertArt::JaNein; w.janein = v; return w; }
    static Wert vonGuid(const std::array<std::uint8_t, 16>& g) { Wert w; w.art = WertArt::Guid; w.guid = g; return w; }
    static Wert vonDecimal(const DecimalWert& d) { Wert w; w.art = WertArt::Decimal; w.decimal = d; return w; }
    static Wert vonDatumErweitert(std::int64_t ticks) { Wert w; w.art = WertArt::DatumErweitert; w.ticks = ticks; return w; }
    static Wert vonBinaer(QByteArray b) { Wert w; w.art = WertArt::Binaer; w.binaer = std::move(b); return w; }

    bool istNull() const { return art == WertArt::Null; }
};

}  // namespace Datenzugriff
