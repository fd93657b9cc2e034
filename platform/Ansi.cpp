#include "Ansi.h"

#include <array>

namespace Plattform {
namespace {

constexpr std::array<char16_t, 32> mitte = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteVon(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < mitte.size(); ++i)
        if (mitte[i] == c)
            return int(0x80 + i);
    return -1;
}

}  // namespace

QString vonAnsi(const QByteArray& bytes)
{
    QString s;
    s.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        s.append(QChar(u >= 0x80 && u < 0xA0 ? mitte[u - 0x80] : char16_t(u)));
    }
    return s;
}

QByteArray nachAnsi(QStringView text)
{
    QByteArray b;
    b.reserve(text.size());
    for (const QChar c : text) {
        const int v = byteVon(c.unicode());
        b.append(v < 0 ? '?' : char(v));
    }
    return b;
}

bool ansiDarstellbar(QStringView text)
{
    for (const QChar c : text)
        if (byteVon(c.unicode()) < 0)
            return false;
    return true;
}

}  // namespace Plattform
