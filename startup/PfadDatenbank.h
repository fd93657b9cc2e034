#pragma once
// Module PfadDatenbank: the check of the data-access component and the
// switch of the working directory to the program directory.

#include <QString>

#include <functional>
#include <optional>

namespace PfadDatenbank {

// The Version of a freshly created connection object, or nothing when none
// can be created.
using Komponente = std::function<std::optional<QString>()>;
// The real component: Datenzugriff::Connection.
std::optional<QString> datenzugriffVersion();
// Tests install their own; an empty function restores the real one.
void setzeKomponente(Komponente k);

// The leading number of a version text, whatever the locale: "2.8.1117.0"
// gives 2.8, "2.10" gives 2.1, text without a leading number 0.
double versionsZahl(const QString& text);

struct MdacErgebnis {
    QString version;  // empty when the component is missing
    QString label2;   // the text of Label2 of the start-up window
};
// Says that the data-access component is missing or too old where due; the start-up goes on either way.
MdacErgebnis MDACPruefen();

// Working directory := program directory.
void ProgrammpfadSetzen();

}  // namespace PfadDatenbank
