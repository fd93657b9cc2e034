#pragma once
// Matching of a value text against the search text of Text1: the plain
// comparison (case-insensitive substring) and the wildcard comparison (each
// inner "*" stands for exactly one character, outer stars are ignored).
//
// The search text is prepared once per run in a Suchmuster; trifft() is then
// called for every non-Null value. Lengths and positions are qsizetype, so
// memo values beyond 32 767 characters are compared by the same rule.

#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Suche {

// Check1 off: plain, on: wildcard.
enum class Suchmodus { Einfach, Platzhalter };

class Suchmuster {
public:
    Suchmuster(const QString& suchtext, Suchmodus modus, const QLocale& locale = QLocale::system());

    // True when the value text matches. An empty value text never matches.
    bool trifft(QStringView wert) const;

    Suchmodus modus() const { return modus_; }
    // The lower-cased pattern that is searched for; in wildcard mode without
    // the outer stars. Inner stars stand for one character there.
    const QString& muster() const { return muster_; }
    // The same lower-casing that trifft() applies to a value (one UTF-16
    // unit in, one out, so positions stay those of the value).
    QString falten(QStringView text) const;
    // Per UTF-16 unit, bit i set when the unit lowers to literale[i] (at most
    // 8 distinct characters); a surrogate counts for every surrogate literal,
    // as letters beyond the BMP lower in pairs. Kept per thread for the last
    // literals and lowering: a folder search asks for them table after table.
    std::shared_ptr<const std::vector<std::uint8_t>> einheitenKlassen(QStringView literale) const;

private:
    struct Hohezeichen {
        char16_t zeichen;
        std::vector<std::uint64_t> masken;
    };

    void faltenIn(QStringView text, std::vector<char16_t>& ziel) const;
    bool schiebeUnd(const char16_t* t, qsizetype laenge) const;
    bool schiebeUndBreit(const char16_t* t, qsizetype laenge) const;
    const std::uint64_t* maskeFuer(char16_t c) const;

    Suchmodus modus_;
    QString muster_;
    bool nurLiterale_ = true;  // no inner star: a substring search suffices
    std::shared_ptr<const char16_t[]> faltung_;

    // Shift-and over the pattern, one bit per pattern position, a star
    // position set in every mask. woerter_ 64-bit words per mask.
    qsizetype woerter_ = 0;
    std::vector<std::uint64_t> latin1Masken_;  // 256 * woerter_
    std::vector<std::uint64_t> sternMaske_;    // woerter_
    std::vector<Hohezeichen> hoheZeichen_;     // pattern characters >= U+0100
    std::array<std::uint64_t, 256> rohMasken_{};  // one word: by the value's unlowered character
};

// One-off comparisons; a loop over many values prepares a Suchmuster.
bool einfacherVergleich(QStringView wert, const QString& suchtext, const QLocale& locale = QLocale::system());
bool platzhalterVergleich(QStringView wert, const QString& suchtext, const QLocale& locale = QLocale::system());

}  // namespace Suche
