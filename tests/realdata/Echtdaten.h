#pragma once
// The real Access files the tests read: the small ones kept in the clone
// (tests/data/real) and, when the shared folder lies beside the clone as it
// does in CI, all of ../shared/realdata. A file in both is read once, from
// the clone. ECHTDATEN_EIGEN and ECHTDATEN_GETEILT name the two folders.

#include <QDir>
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
    QStringList gesehen;
    QStringList teile;
    for (const QString& ordner : {QStringLiteral(ECHTDATEN_EIGEN), QStringLiteral(ECHTDATEN_GETEILT)}) {
        const QDir d(ordner);
        if (!d.exists()) {
            teile << QDir::cleanPath(ordner) + QStringLiteral(": fehlt");
            continue;
        }
        int neu = 0;
        const QStringList namen = d.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QString& n : namen) {
            if (gesehen.contains(n))
                continue;
            gesehen << n;
            e.dateien.push_back({d.filePath(n), n});
            ++neu;
        }
        teile << QStringLiteral("%1: %2 Dateien, davon %3 gelesen").arg(QDir::cleanPath(ordner)).arg(namen.size()).arg(neu);
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
