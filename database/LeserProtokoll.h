#pragma once
// The messages between the program and its reader process: length-prefixed
// frames of plain little-endian data. Every read is bounds-checked, so a
// confused peer gives an error, never a wild read.

#include "Leser.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace Datenzugriff::Protokoll {

enum class Auftrag : std::uint8_t {
    Oeffnen = 1, Schliessen, Katalog, Spalten, Zeilenanzahl, CursorOeffnen, Block, Zuruecksetzen, Zeile,
    GezaehlteZeilen, CursorSchliessen, Version,
};

enum class Antwort : std::uint8_t { Gut = 0, Fehler = 1, Fortschritt = 2 };

struct Formfehler : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Schreiber {
public:
    void u8(std::uint8_t v) { daten_.append(char(v)); }
    void i32(std::int32_t v) { roh(&v, 4); }
    void i64(std::int64_t v) { roh(&v, 8); }
    void f64(double v) { roh(&v, 8); }
    void text(const QString& s)
    {
        i32(std::int32_t(s.size()));
        roh(s.constData(), std::size_t(s.size()) * 2);
    }
    void bytes(const QByteArray& b)
    {
        i32(std::int32_t(b.size()));
        daten_.append(b);
    }
    void wert(const Wert& w);
    void block(const ZeilenBlock& b);
    void katalog(const std::vector<KatalogEintrag>& k);
    void spalten(const std::vector<SpaltenInfo>& s);
    QByteArray& daten() { return daten_; }

private:
    void roh(const void* p, std::size_t n) { daten_.append(static_cast<const char*>(p), qsizetype(n)); }
    QByteArray daten_;
};

class Entnehmer {
public:
    Entnehmer(const char* p, std::size_t n) : p_(p), ende_(p + n) {}
    std::uint8_t u8() { std::uint8_t v; roh(&v, 1); return v; }
    std::int32_t i32() { std::int32_t v; roh(&v, 4); return v; }
    std::int64_t i64() { std::int64_t v; roh(&v, 8); return v; }
    double f64() { double v; roh(&v, 8); return v; }
    QString text();
    QByteArray bytes();
    void wert(Wert& w);
    void block(ZeilenBlock& b);
    std::vector<KatalogEintrag> katalog();
    std::vector<SpaltenInfo> spalten();
    bool amEnde() const { return p_ == ende_; }

private:
    // Decodes into ziel, reusing its buffer.
    void textIn(QString& ziel);
    std::int32_t laenge()
    {
        const std::int32_t n = i32();
        if (n < 0 || n > ende_ - p_)
            throw Formfehler("Länge außerhalb der Nachricht");
        return n;
    }
    void roh(void* ziel, std::size_t n)
    {
        if (std::size_t(ende_ - p_) < n)
            throw Formfehler("Nachricht zu kurz");
        std::memcpy(ziel, p_, n);
        p_ += n;
    }
    const char* p_;
    const char* ende_;
};

}  // namespace Datenzugriff::Protokoll
