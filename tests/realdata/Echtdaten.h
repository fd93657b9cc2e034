#pragma once
// The real Access files the tests read: the small ones kept in the clone
// (tests/data/real) and, when the shared folders lie beside the clone as they
// do in CI, all of ../shared/realdata (.mdb) and ../shared/realdata-accdb
// (.accdb). A file in two is read once, from the clone. ECHTDATEN_EIGEN,
// ECHTDATEN_GETEILT and ECHTDATEN_GETEILT_ACCDB name the folders.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

struct EchteDatei {
    QString pfad;
    QString name;  // file name, as File1 lists it
};

// Test names and failures show the file's name.
inline void PrintTo(const EchteDatei& d, std::ostream* os) { *os << d.name.toStdString(); }

struct EchteDateien {
    std::vector<EchteDatei> dateien;
    QString herkunft;  // which folders were read, with how many files each
};

inline EchteDateien echteDateienFinden()
{
    EchteDateien e;
    QStringList gesehen, teile;
    for (const QString& ordner : {QStringLiteral(ECHTDATEN_EIGEN), QStringLiteral(ECHTDATEN_GETEILT), QStringLiteral(ECHTDATEN_GETEILT_ACCDB)}) {
        const QStringList namen = QDir(ordner).entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        int neu = 0;
        for (const QString& n : namen)
            if (!gesehen.contains(n)) {
                gesehen << n;
                e.dateien.push_back({QDir(ordner).filePath(n), n});
                ++neu;
            }
        teile << (QDir(ordner).exists() ? QStringLiteral("%1: %2 Dateien, davon %3 gelesen").arg(QDir::cleanPath(ordner)).arg(namen.size()).arg(neu)
                                        : QDir::cleanPath(ordner) + QStringLiteral(": fehlt"));
    }
    e.herkunft = teile.join(QStringLiteral("; "));
    return e;
}

inline const EchteDateien& echteDateien()
{
    static const EchteDateien e = echteDateienFinden();
    return e;
}

// A test name for a file: letters, digits and underscores only.
inline std::string testname(const QString& datei)
{
    std::string s = QFileInfo(datei).completeBaseName().toStdString();
    std::replace_if(s.begin(), s.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return s;
}

// Files whose rows of the catalogue MSysObjects (table definition on page 2)
// were moved to other pages: a slot flagged 0x4000 alone points to its row's
// new place. The catalogue lists such a row where its slot stands, mdb-tables
// where its data lies, late in its scan, so the two orders differ.
inline bool katalogHatVerschobeneZeilen(const QString& pfad)
{
    static const QStringList dateien = QStringLiteral("Gymnase2000.mdb Northwind.mdb ProductSales-student.mdb Stammdaten.mdb "
                                                      "queryTestV1997.mdb complexDataTestV2007.accdb odbcLinkerTestV2007.accdb "
                                                      "queryTestV2007.accdb testIndexPropertiesV2007.accdb").split(u' ');
    return dateien.contains(QFileInfo(pfad).fileName());
}

// The catalogue's tables as mdb-tables orders them, or sorted by name when
// moved catalogue rows make the two orders differ.
inline QStringList vergleichbareReihenfolge(QStringList tabellen, bool verschoben)
{
    if (verschoben)
        std::sort(tabellen.begin(), tabellen.end());
    return tabellen;
}
