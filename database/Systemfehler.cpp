#include "Systemfehler.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

namespace Datenzugriff {
namespace {

struct Wort {
    int nummer;
    const char* text;
};

// The errno values a file, a disk or a process start can give.
constexpr Wort fehlerWorte[] = {
    {EPERM, "Vorgang nicht erlaubt"},
    {ENOENT, "Datei oder Verzeichnis nicht gefunden"},
    {EIO, "Ein-/Ausgabefehler"},
    {ENXIO, "Gerät oder Adresse nicht vorhanden"},
    {E2BIG, "Argumentliste zu lang"},
    {ENOEXEC, "Die Datei ist kein ausführbares Programm"},
    {EBADF, "Ungültiger Dateideskriptor"},
    {EAGAIN, "Die Ressource ist vorübergehend nicht verfügbar"},
    {ENOMEM, "Nicht genügend Hauptspeicher"},
    {EACCES, "Keine Berechtigung"},
    {EBUSY, "Gerät oder Ressource belegt"},
    {EEXIST, "Die Datei existiert bereits"},
    {ENODEV, "Gerät nicht vorhanden"},
    {ENOTDIR, "Ist kein Verzeichnis"},
    {EISDIR, "Ist ein Verzeichnis"},
    {EINVAL, "Ungültiges Argument"},
    {ENFILE, "Zu viele offene Dateien im System"},
    {EMFILE, "Zu viele offene Dateien"},
    {ETXTBSY, "Die Programmdatei wird gerade geschrieben"},
    {EFBIG, "Die Datei ist zu groß"},
    {ENOSPC, "Kein Platz mehr auf dem Gerät"},
    {ESPIPE, "Unzulässiges Positionieren"},
    {EROFS, "Das Dateisystem ist nur lesbar"},
    {EPIPE, "Die Verbindung ist unterbrochen"},
    {ENAMETOOLONG, "Der Dateiname ist zu lang"},
    {ELOOP, "Zu viele Ebenen symbolischer Verknüpfungen"},
    {ECONNRESET, "Die Verbindung wurde vom Gegenüber zurückgesetzt"},
    {ETIMEDOUT, "Zeitüberschreitung"},
    {ESTALE, "Veralteter Dateiverweis (Netzlaufwerk)"},
    {EDQUOT, "Das Speicherkontingent ist überschritten"},
    {EHOSTDOWN, "Der Rechner ist nicht in Betrieb"},
    {ENOTCONN, "Keine Verbindung"},
    {ENOLCK, "Keine Sperren verfügbar"},
};

constexpr Wort signalWorte[] = {
    {SIGHUP, "Verbindung beendet"},
    {SIGINT, "unterbrochen"},
    {SIGQUIT, "beendet mit Speicherabzug"},
    {SIGILL, "ungültiger Maschinenbefehl"},
    {SIGABRT, "abgebrochen"},
    {SIGBUS, "Busfehler"},
    {SIGFPE, "Rechenfehler"},
    {SIGKILL, "von außen beendet"},
    {SIGSEGV, "Speicherzugriffsfehler"},
    {SIGPIPE, "Verbindung unterbrochen"},
    {SIGTERM, "zum Beenden aufgefordert"},
    {SIGXCPU, "Rechenzeitgrenze überschritten"},
    {SIGXFSZ, "Dateigrößengrenze überschritten"},
    {SIGSYS, "ungültiger Systemaufruf"},
};

}  // namespace

QString systemfehlerText(int fehlernummer)
{
    for (const Wort& w : fehlerWorte)
        if (w.nummer == fehlernummer)
            return QString::fromUtf8(w.text);
    return QStringLiteral("Systemfehler %1").arg(fehlernummer);
}

QString systemfehlerDeutsch(const QString& text)
{
    for (const Wort& w : fehlerWorte)
        if (text == QString::fromLocal8Bit(std::strerror(w.nummer)))
            return QString::fromUtf8(w.text);
    // glibc's text for a number it has no words for, and Qt's without a number.
    static const QString unbekannt = QStringLiteral("Unknown error");
    if (text == unbekannt)
        return QStringLiteral("Unbekannter Fehler");
    if (text.startsWith(unbekannt + u' '))
        return QStringLiteral("Systemfehler ") + text.mid(unbekannt.size() + 1);
    return text;
}

QString signalText(int signal)
{
    for (const Wort& w : signalWorte)
        if (w.nummer == signal)
            return QStringLiteral("Signal %1: %2").arg(signal).arg(QString::fromUtf8(w.text));
    return QStringLiteral("Signal %1").arg(signal);
}

QString sekundenText(int millisekunden)
{
    // The German form whatever the user's locale: the messages are German.
    const int zehntel = (millisekunden + 50) / 100;
    return QStringLiteral("%1,%2 s").arg(zehntel / 10).arg(zehntel % 10);
}

}  // namespace Datenzugriff
