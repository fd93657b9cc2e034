#pragma once
// Errors of the data-access component: a number and a German description,
// as the windows show them. The numbers follow the Jet/ADO numbers a user
// of Access would recognise.

#include <QString>

#include <exception>
#include <string>

namespace Datenzugriff {

enum Fehlernummer : int {
    FehlerDateiFehlt = 3024,          // file not found
    FehlerDateiNichtLesbar = 3051,    // no permission / cannot open
    FehlerLesefehler = 3043,          // read error while reading pages
    FehlerKeineDatenbank = 3343,      // not a Jet database
    FehlerBeschaedigt = 3049,         // damaged database
    FehlerVerschluesselt = 3031,      // encrypted with a password we do not have
    FehlerTabelleUnbekannt = 3078,    // unknown table
    FehlerAnweisung = 3131,           // refused statement
    FehlerFeldUnbekannt = 3265,       // item not in the collection
    FehlerBofEof = 3021,              // no current record
    FehlerObjektGeschlossen = 3704,   // operation on a closed object
    FehlerObjektOffen = 3705,         // operation on an open object
    FehlerVerbindungstext = 3706,     // connection string without database
    FehlerAbfragetyp = 3251,          // unsupported schema query
    FehlerLeseprozess = 3146,         // the reader process failed, not the file
};

class DatenzugriffsFehler : public std::exception {
public:
    DatenzugriffsFehler(int nummer, QString beschreibung)
        : nummer_(nummer), beschreibung_(std::move(beschreibung)),
          utf8_(beschreibung_.toStdString()) {}

    int Number() const { return nummer_; }
    const QString& Description() const { return beschreibung_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    int nummer_;
    QString beschreibung_;
    std::string utf8_;
};

}  // namespace Datenzugriff
