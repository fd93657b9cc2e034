#pragma once
// The command line of zelk-feldspur-suche: options and free arguments, read
// into plain values. New options take one row in the option table.

#include <QString>
#include <QStringList>

#include <optional>

namespace Kommandozeile {

struct Aufruf {
    QStringList pfade;       // files and folders, as given
    QString tabelle;         // empty with alleTabellen
    QString suchtext;
    bool alleTabellen = false;
    bool rekursiv = false;
    bool platzhalter = true;
    bool utf8 = false;
    bool imProzess = false;  // the reader in this process (benchmarks)
    bool hilfe = false;
    QString protokollDatei;
    // A field selection as the window's mask applies it: fields searched
    // (compare fields) and fields only listed with every hit record.
    QStringList felder;
    QStringList info;
};

struct Aufrufergebnis {
    std::optional<Aufruf> aufruf;
    QString fehler;  // German, when aufruf is empty
};

// Options may stand anywhere; "--" ends them. Free arguments: PFAD...
// TABELLE SUCHTEXT, or PFAD... SUCHTEXT with --alle-tabellen. A value
// follows its option as the next argument or after "=".
Aufrufergebnis aufrufLesen(const QStringList& argumente);

// The short form for error messages and the whole help (--help).
QString kurzhilfe();
QString hilfetext();

}  // namespace Kommandozeile
