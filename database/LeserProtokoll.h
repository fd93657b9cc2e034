#pragma once
// The messages between the program and its reader process: length-prefixed
// frames of plain little-endian data. Every read is bounds-checked, so a
// confused peer gives an error, never a wild read.

#include "Leser.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <stdexcept>
#include <vector>

namespace Datenzugriff::Protokoll {

enum class Auftrag : std::uint8_t {
    Oeffnen = 1, Schliessen, Katalog, Spalten, Zeilenanzahl, CursorOeffnen, Block, Zuruecksetzen, Zeile,
    GezaehlteZeilen, CursorSchliessen, Version, Bereich, Schaeden, Filter,
};

enum class Antwort : std::uint8_t { Gut = 0, Fehler = 1, Fortschritt = 2 };
// A progress frame is empty while pages are read; this byte says that the
// reader waits for the disk.
constexpr std::uint8_t FortschrittPlatte = 1;
// In a block, in place of a row's values: a row of Nulls (a row a candidate
// filter rejected), one byte instead of one per value. No kind of value
// has this number.
constexpr std::uint8_t LeereZeile = 0xff;
static_assert(LeereZeile > std::uint8_t(LetzteWertArt));

struct Formfehler : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Builds one frame in a buffer that keeps its capacity from message to
// message: the reader process sends blocks of megabytes many times a second.
// The first bytes are kept free for the frame head, so a frame goes out in
// one write without copying.
class Schreiber {
public:
    Schreiber() { wachsen(4096); }
    void leeren() { laenge_ = Kopf; }
    void u8(std::uint8_t v) { *platz(1) = char(v); }
    void i32(std::int32_t v) { roh(&v, 4); }
    void i64(std::int64_t v) { roh(&v, 8); }
    void f64(double v) { roh(&v, 8); }
    void text(const QString& s)
    {
        const std::int32_t n = std::int32_t(s.size());
        char* p = platz(4 + std::size_t(n) * 2);
        std::memcpy(p, &n, 4);
        std::memcpy(p + 4, s.constData(), std::size_t(n) * 2);
    }
    void text(const char16_t* zeichen, std::size_t anzahl)
    {
        const std::int32_t n = std::int32_t(anzahl);
        char* p = platz(4 + anzahl * 2);
        std::memcpy(p, &n, 4);
        if (anzahl)  // an empty text may come without a buffer
            std::memcpy(p + 4, zeichen, anzahl * 2);
    }
    void bytes(const QByteArray& b) { bytes(b.constData(), std::size_t(b.size())); }
    void bytes(const char* daten, std::size_t anzahl)
    {
        const std::int32_t n = std::int32_t(anzahl);
        char* p = platz(4 + anzahl);
        std::memcpy(p, &n, 4);
        if (anzahl)
            std::memcpy(p + 4, daten, anzahl);
    }
    void roh(const void* p, std::size_t n)
    {
        if (n)
            std::memcpy(platz(n), p, n);
    }
    void decimal(const DecimalWert& d)
    {
        u8(d.negativ ? 1 : 0);
        u8(d.skala);
        roh(d.teile, 12);
    }
    void wert(const Wert& w);
    void block(const ZeilenBlock& b);
    void katalog(const std::vector<KatalogEintrag>& k);
    void spalten(const std::vector<SpaltenInfo>& s);
    void schaeden(const std::vector<Schaden>& s);
    void filter(const Kandidatenfilter* f);

    std::size_t nutzlastGroesse() const { return laenge_ - Kopf; }
    // Drops what was written after the payload had this size.
    void kuerzen(std::size_t nutzlast) { laenge_ = std::min(laenge_, Kopf + nutzlast); }
    const char* nutzlast() const { return puffer_.data() + Kopf; }
    // Overwrites four bytes written before, at an offset into the payload.
    void i32An(std::size_t stelle, std::int32_t v) { std::memcpy(puffer_.data() + Kopf + stelle, &v, 4); }
    // A request: its length, then the payload.
    std::pair<const char*, std::size_t> anfrage()
    {
        const std::uint32_t n = std::uint32_t(nutzlastGroesse());
        std::memcpy(puffer_.data() + 1, &n, 4);
        return {puffer_.data() + 1, 4 + nutzlastGroesse()};
    }
    // An answer: its length (kind byte included), the kind, the payload.
    std::pair<const char*, std::size_t> antwort(std::uint8_t art)
    {
        const std::uint32_t n = std::uint32_t(nutzlastGroesse() + 1);
        std::memcpy(puffer_.data(), &n, 4);
        puffer_[4] = char(art);
        return {puffer_.data(), laenge_};
    }

private:
    static constexpr std::size_t Kopf = 5;
    // Out of line: the buffer's size is nothing the compiler should reason about.
    void wachsen(std::size_t mindestens);
    char* platz(std::size_t n)
    {
        if (puffer_.size() - laenge_ < n)
            wachsen(laenge_ + n);
        char* p = puffer_.data() + laenge_;
        laenge_ += n;
        return p;
    }
    std::vector<char> puffer_;
    std::size_t laenge_ = Kopf;
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
    // A block of at most hoechstens rows of breite values (a block of no
    // rows may say any width).
    void block(ZeilenBlock& b, int hoechstens, int breite);
    std::vector<KatalogEintrag> katalog();
    std::vector<SpaltenInfo> spalten();
    std::vector<Schaden> schaeden();
    std::shared_ptr<const Kandidatenfilter> filter();
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
        if (n)
            std::memcpy(ziel, p_, n);
        p_ += n;
    }
    const char* p_;
    const char* ende_;
};

}  // namespace Datenzugriff::Protokoll

namespace Datenzugriff {

// The in-process reader as the reader process uses it: rows are decoded
// straight into the answer, without Wert values in between.
class KodierenderLeser : public Leser {
public:
    // Appends up to maxZeilen rows of the cursor to nachricht, each value as
    // Protokoll::Schreiber::wert writes it; pushes where each row ends (as a
    // payload offset) onto zeilenEnden and returns the number of rows. On an
    // error the message holds part of a row and is to be dropped.
    virtual int blockKodieren(CursorNummer cursor, Protokoll::Schreiber& nachricht, int maxZeilen,
                              std::vector<std::size_t>& zeilenEnden, int& spalten) = 0;
    // Appends the rows zeilenBereich gives for von .. von + anzahl - 1 to
    // nachricht, in the same form; returns their number. On an error the
    // message is to be dropped, as above.
    virtual int bereichKodieren(CursorNummer cursor, std::int64_t von, int anzahl, Protokoll::Schreiber& nachricht,
                                int& spalten) = 0;
};

std::unique_ptr<KodierenderLeser> erzeugeKodierendenMdbLeser(std::function<void()> fortschritt);

}  // namespace Datenzugriff
