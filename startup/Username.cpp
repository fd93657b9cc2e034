#include "Username.h"

#include "Ansi.h"
#include "Meldung.h"
#include "RegistryRead.h"
#include "System.h"

#include <QByteArray>

#include <optional>

namespace Username {

namespace {

std::optional<QString> ausWert(const QByteArray& wertName)
{
    std::int32_t typ = 0;
    const QByteArray wert = RegistryRead::RegWertLesen(QStringLiteral("HKEY_LOCAL_MACHINE"),
                                                       QByteArrayLiteral("System\\CurrentControlSet\\Control"), wertName, typ);
    const qsizetype nul = wert.indexOf('\0');
    if (nul < 0)
        return std::nullopt;
    return Plattform::vonAnsi(wert.left(nul));
}

}  // namespace

QString UserAusRegistry()
{
    if (auto name = ausWert(QByteArrayLiteral("Current User")))
        return *name;
    if (auto name = ausWert(QByteArrayLiteral("CurrentUser")))
        return *name;
    Plattform::Meldung(QStringLiteral("Aktueller User konnte nicht ermittelt werden, Programm wird beendet!"),
                       Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
    Plattform::programmEnde().beenden(1);
    return {};  // not reached; the compiler does not see through the virtual call
}

QString UserErmitteln()
{
    QByteArray puffer(PufferLaenge, ' ');
    std::uint32_t groesse = PufferLaenge;
    if (Plattform::betriebssystem().GetUserNameA(puffer, groesse)) {
        const qsizetype nul = puffer.indexOf('\0');
        return Plattform::vonAnsi(nul < 0 ? puffer : puffer.left(nul));
    }
    return UserAusRegistry();
}

}  // namespace Username
