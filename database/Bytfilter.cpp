// The byte filter; see Bytfilter.h.
#include "Bytfilter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Datenzugriff::Jet {

void Bytfilter::vorbereiten()
{
    // Setting bit 0x20 folds the two cases of a Latin letter onto one byte,
    // so "m" and "M" need one compare. Other bytes fold too (0x00 onto the
    // blank): that only lets more texts through to the exact test.
    std::array<std::uint8_t, 256> gefaltet{};
    for (std::size_t b = 0; b < 256; ++b)
        gefaltet[b | 0x20] |= klassen[b];
    grobAnzahl_ = 0;
    for (std::size_t b = 0; b < 256; ++b) {
        if (!gefaltet[b])
            continue;
        if (grobAnzahl_ == int(grobMuster_.size())) {
            grobAnzahl_ = -1;
            return;
        }
        std::memset(grobMuster_[std::size_t(grobAnzahl_)].byte, int(b), 16);
        grobKlassen_[std::size_t(grobAnzahl_)] = gefaltet[b];
        ++grobAnzahl_;
    }
}

bool Bytfilter::vielleicht(const unsigned char* p, std::size_t n) const
{
#if defined(__SSE2__)
    if (grobAnzahl_ < 0)
        return true;
    const __m128i fall = _mm_set1_epi8(0x20);
    const auto block = [&](std::size_t i) {
        return _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), fall);
    };
    // Two blocks each time, so that a text of up to 32 bytes takes no branch
    // on its length.
    std::uint8_t gesehen = 0;
    for (std::size_t i = 0; i == 0 || i < n; i += 32) {
        const __m128i a = block(i), b = block(i + 16);
        for (int k = 0; k < grobAnzahl_; ++k) {
            const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(grobMuster_[std::size_t(k)].byte));
            const int gleich = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, m), _mm_cmpeq_epi8(b, m)));
            gesehen |= std::uint8_t(grobKlassen_[std::size_t(k)] & -std::uint8_t(gleich != 0));
        }
    }
    return (gesehen & alle) == alle;
#else
    return enthaeltAlle(p, n);
#endif
}

}  // namespace Datenzugriff::Jet
