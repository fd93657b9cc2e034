// The byte filter; see Bytfilter.h.
#include "Bytfilter.h"

#include <cstring>

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

}  // namespace Datenzugriff::Jet
