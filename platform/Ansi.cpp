#include "Ansi.h"
#include "Windows1252.h"

namespace Plattform {

using Windows1252::byteVon;

QString vonAnsi(const QByteArray& bytes)
{
    QString s;
    s.reserve(bytes.size());
    for (const char b : bytes) {
        s.append(QChar(Windows1252::zeichen(static_cast<unsigned char>(b))));
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
