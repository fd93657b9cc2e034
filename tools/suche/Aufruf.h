#pragma once
// The command line of zelk-feldspur-suche: options and free arguments, read
// into plain values. New options take one row in the option table.

#include <QString>
#include <QStringList>

#include <optional>

namespace Kommandozeile {

// What goes to standard output. Text: one line per hit in the locale's
// encoding; Protokoll: the protocol's own bytes; Json: one object per hit.
enum class Form { Text, Protokoll, Json };
enum class Farbe { Nie, Auto, Immer };

struct Aufruf {
    QStringList pfade;       // files and folders, as given
    QString tabelle;         // empty with alleTabellen or tabellenListe
    QString suchtext;        // empty with tabellenListe
    bool alleTabellen = false;
    bool rekursiv = false;
    bool platzhalter = true;
    bool utf8 = false;       // standard output in UTF-8 whatever the locale
    bool imProzess = false;  // the reader in this process (benchmarks)
    bool hilfe = false;
    bool version = false;
    bool tabellenListe = false;  // --tabellen: the tables of each file, nothing searched
    // grep's habits: only the files with hits (-l), counts per table (-c),
    // nothing printed (-q), at most so many hits per table (-m, 0: no limit).
    bool nurDateinamen = false;
    bool zaehlen = false;
    bool still = false;
    qint64 hoechstens = 0;
    Farbe farbe = Farbe::Nie;
    Form form = Form::Text;
    bool formGewaehlt = false;  // --format, --json, -l, -c: standard output also beside --protokoll
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
// TABELLE SUCHTEXT, or PFAD... SUCHTEXT with --alle-tabellen, or PFAD...
// with --tabellen. A value follows its option as the next argument or after
// "=" (a short one also directly: -m5); short switches go together (-rl).
// A next argument that looks like an option is no value but an error.
Aufrufergebnis aufrufLesen(const QStringList& argumente);

// The short form for error messages and the whole help (--help).
QString kurzhilfe();
QString hilfetext();

}  // namespace Kommandozeile
