#pragma once
// mdbtools' command-line tools as the independent reader of a file, and the
// comparison of one of our values with what mdb-export printed for it.
//
// mdb-export runs without quotes, with control characters as the ends of
// fields and rows and as Null (so that values are taken as they are), -b hex,
// and one unambiguous format for every date.

#include "Leser.h"
#include "Wert.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace Echtdaten {

// One field as mdb-export printed it; nullopt for Null.
using MdbFeld = std::optional<QString>;

struct MdbTabelle {
    QStringList spalten;
    std::vector<std::vector<MdbFeld>> zeilen;
};

struct MdbSpalte {
    QString name;
    QString typ;  // as mdb-schema writes it: "Long Integer", "Text (50)", "Numeric (18, 2)"
};

// The tools; a failing run throws std::runtime_error with its message.
QStringList mdbTabellen(const QString& datei);
MdbTabelle mdbExport(const QString& datei, const QString& tabelle);

std::vector<MdbSpalte> mdbSchema(const QString& datei, const QString& tabelle);

// The places where libmdb 1.0 prints a value wrongly. Such a value is
// accepted only where what can be checked still agrees.
enum class Abweichung {
    Keine,
    // Dates before 30.12.1899 and after day 1 000 000 (26.11.4637) come out
    // as day 0 ("1900-01-00 00:00:00"): libmdb converts only that range.
    DatumTagNull,
    // A text of length 0 comes out as Null: libmdb takes the length of the
    // bound value for its presence.
    LeererTextAlsNull,
    // A character outside the Basic Multilingual Plane (an emoji, a surrogate
    // pair) comes out as "??": libmdb converts UCS-2, not UTF-16.
    SurrogatpaarAlsFragezeichen,
    Anzahl_
};
QString abweichungsText(Abweichung a);

struct Urteil {
    bool gleich = false;  // the same value, or a named divergence of libmdb
    Abweichung abweichung = Abweichung::Keine;
};

// Ours printed the way mdb-export prints it (Single at %.8g, Double at
// %.16g, currency with four decimals, dates to the second) against its text;
// decimals without trailing zeros, GUIDs by the hex of libmdb's 8-4-4-16
// text, binary and OLE values by length.
Urteil vergleichen(const Datenzugriff::Wert& unser, const MdbFeld& mdb);

// For failure messages.
QString anzeige(const Datenzugriff::Wert& w);
QString anzeige(const MdbFeld& f);

// The type name mdb-schema writes for a column of ours ("Numeric (18, 2)").
QString schemaTyp(const Datenzugriff::SpaltenInfo& s);

}  // namespace Echtdaten
