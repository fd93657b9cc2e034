#pragma once
// System error numbers, signals and waiting times in German words for the
// messages of this program: the C library speaks English ("Permission
// denied") or nothing useful ("Unknown error 123") in an otherwise German
// message.

#include <QString>

namespace Datenzugriff {

// The German words for an errno value; "Systemfehler N" for one we do not know.
QString systemfehlerText(int fehlernummer);
// A system error text as the C library or Qt gives it (strerror's English)
// in German, where it is one of the errno values above; else unchanged.
QString systemfehlerDeutsch(const QString& text);
// "Signal 11: Speicherzugriffsfehler".
QString signalText(int signal);
// Milliseconds as seconds with one decimal in German form: "5,0 s".
QString sekundenText(int millisekunden);

}  // namespace Datenzugriff
