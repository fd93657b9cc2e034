#include "PfadDatenbank.h"

#include "Datenzugriff.h"
#include "Meldung.h"
#include "System.h"

namespace PfadDatenbank {

namespace {
Komponente g_komponente;
}

std::optional<QString> datenzugriffVersion()
{
    try {
        const Datenzugriff::Connection verbindung;
        return verbindung.Version();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void setzeKomponente(Komponente k) { g_komponente = std::move(k); }

double versionsZahl(const QString& text)
{
    QString zahl;
    bool punkt = false;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 0x80)
            zahl += c;
        else if (c == u'.' && !punkt) {
            punkt = true;
            zahl += c;
        } else
            break;
    }
    bool ok = false;
    const double wert = zahl.toDouble(&ok);  // QString::toDouble is always the C locale
    return ok ? wert : 0.0;
}

MdacErgebnis MDACPruefen()
{
    const std::optional<QString> version = g_komponente ? g_komponente() : datenzugriffVersion();
    if (!version) {
        Plattform::Meldung(QStringLiteral("Es konnte keine MDAC Installation gefunden werden!\rDas Programm wird vermutlich nicht laufen!"),
                           Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        return {QString(), QStringLiteral("MDAC-Treiber fehlen!")};
    }
    if (versionsZahl(*version) < 2.8)
        Plattform::Meldung(QStringLiteral("Die MDAC Version ist < 2.80!\rBitte installieren Sie eine neuere Version!"),
                           Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
    return {*version, QStringLiteral("MDAC-Version: ") + *version};
}

void ProgrammpfadSetzen()
{
    Plattform::System& s = Plattform::betriebssystem();
    s.arbeitsverzeichnisSetzen(s.programmverzeichnis());
}

}  // namespace PfadDatenbank
