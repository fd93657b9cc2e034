// The byte filter; see Bytfilter.h.
#include "Bytfilter.h"

#include <cstring>

namespace Datenzugriff::Jet {

namespace {

// How often a folded byte turns up in text, roughly: the blank (and the zero
// byte of UTF-16, which folds onto it) most, then letters in the order of
// German and English text; digits, signs and bytes beyond ASCII seldom (0).
int haeufigkeit(std::size_t b)
{
    static constexpr char Haeufige[] = " enisratdhulcgmobwfkzpvjyxq";
    const char* p = b ? std::strchr(Haeufige, int(b)) : nullptr;
    return p ? int(sizeof Haeufige - std::size_t(p - Haeufige)) : 0;
}

}  // namespace

void Bytfilter::vorbereiten()
{
    // Setting bit 0x20 folds the two cases of a Latin letter onto one byte,
    // so "m" and "M" need one compare. Other bytes fold too (0x00 onto the
    // blank): that only lets more texts through to the exact test.
    std::array<std::uint8_t, 256> gefaltet{};
    for (std::size_t b = 0; b < 256; ++b)
        gefaltet[b | 0x20] |= klassen[b] & alle;
    // The quick test looks for the three rarest classes only: a text that
    // lacks one of them is turned away as surely, with fewer compares.
    std::array<int, 8> gewicht{};
    for (std::size_t b = 0; b < 256; ++b)
        for (std::size_t k = 0; k < 8; ++k)
            gewicht[k] += (gefaltet[b] >> k & 1) * (haeufigkeit(b) + 1);
    grobAlle_ = 0;
    for (int runde = 0; runde < 3; ++runde) {
        int beste = -1;
        for (int k = 0; k < 8; ++k)
            if ((alle >> k & 1) && !(grobAlle_ >> k & 1) && (beste < 0 || gewicht[std::size_t(k)] < gewicht[std::size_t(beste)]))
                beste = k;
        if (beste >= 0)
            grobAlle_ |= std::uint8_t(1 << beste);
    }
    grobAnzahl_ = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        const std::uint8_t k = gefaltet[b] & grobAlle_;
        if (!k)
            continue;
        if (grobAnzahl_ == int(grobMuster_.size())) {
            grobAnzahl_ = -1;
            return;
        }
        std::memset(grobMuster_[std::size_t(grobAnzahl_)].byte, int(b), 16);
        grobKlassen_[std::size_t(grobAnzahl_)] = k;
        ++grobAnzahl_;
    }
}

}  // namespace Datenzugriff::Jet
