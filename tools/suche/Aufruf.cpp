#include "Aufruf.h"

#include <functional>

namespace Kommandozeile {

namespace {

struct Option {
    QLatin1String lang;
    QLatin1String kurz;      // empty when there is none
    QLatin1String wertname;  // empty for a switch
    const char* erklaerung;  // UTF-8; empty: not in the help
    std::function<void(Aufruf&, const QString&)> setzen;
};

const std::vector<Option>& optionen()
{
    static const std::vector<Option> tabelle{
        {QLatin1String("--alle-tabellen"), QLatin1String(), QLatin1String(),
         "jede auswertbare Tabelle durchsuchen (dann ohne TABELLE)",
         [](Aufruf& a, const QString&) { a.alleTabellen = true; }},
        {QLatin1String("--rekursiv"), QLatin1String("-r"), QLatin1String(),
         "auch die Unterordner der genannten Ordner",
         [](Aufruf& a, const QString&) { a.rekursiv = true; }},
        {QLatin1String("--ohne-wildcards"), QLatin1String(), QLatin1String(),
         "einfache Suche: \"*\" ist ein gewöhnliches Zeichen",
         [](Aufruf& a, const QString&) { a.platzhalter = false; }},
        {QLatin1String("--protokoll"), QLatin1String(), QLatin1String("DATEI"),
         "das Protokoll in DATEI statt auf die Standardausgabe",
         [](Aufruf& a, const QString& w) { a.protokollDatei = w; }},
        {QLatin1String("--felder"), QLatin1String(), QLatin1String("A,B"),
         "nur in diesen Feldern suchen (Feldauswahl, siehe oben)",
         [](Aufruf& a, const QString& w) { a.felder << w.split(u',', Qt::SkipEmptyParts); }},
        {QLatin1String("--info"), QLatin1String(), QLatin1String("C,D"),
         "diese Felder mit jedem Treffersatz auflisten",
         [](Aufruf& a, const QString& w) { a.info << w.split(u',', Qt::SkipEmptyParts); }},
        {QLatin1String("--utf8"), QLatin1String(), QLatin1String(),
         "Standardausgabe in UTF-8 mit LF (statt ANSI, CR LF)",
         [](Aufruf& a, const QString&) { a.utf8 = true; }},
        {QLatin1String("--help"), QLatin1String("-h"), QLatin1String(), "diese Hilfe zeigen",
         [](Aufruf& a, const QString&) { a.hilfe = true; }},
        // Not in the help: for the benchmarks, the reader without its process.
        {QLatin1String("--im-prozess"), QLatin1String(), QLatin1String(), "",
         [](Aufruf& a, const QString&) { a.imProzess = true; }},
    };
    return tabelle;
}

const Option* optionZu(QStringView name)
{
    for (const Option& o : optionen())
        if (name == o.lang || (!o.kurz.isEmpty() && name == o.kurz))
            return &o;
    return nullptr;
}

QString anf(const QString& s) { return QStringLiteral("„") + s + QStringLiteral("“"); }

// The free arguments in their places; false when too few.
bool freieVerteilen(Aufruf& a, const QStringList& frei)
{
    const qsizetype hinten = a.alleTabellen ? 1 : 2;
    if (frei.size() < hinten + 1)
        return false;
    a.suchtext = frei.back();
    if (!a.alleTabellen)
        a.tabelle = frei[frei.size() - 2];
    a.pfade = frei.mid(0, frei.size() - hinten);
    return true;
}

}  // namespace

Aufrufergebnis aufrufLesen(const QStringList& argumente)
{
    Aufruf a;
    QStringList frei;
    bool nurNochFrei = false;
    for (qsizetype i = 0; i < argumente.size(); ++i) {
        const QString& arg = argumente[i];
        if (nurNochFrei || arg.size() < 2 || !arg.startsWith(u'-')) {
            frei << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            nurNochFrei = true;
            continue;
        }
        const qsizetype gleich = arg.startsWith(QLatin1String("--")) ? arg.indexOf(u'=') : -1;
        const QString name = gleich < 0 ? arg : arg.left(gleich);
        const Option* o = optionZu(name);
        if (!o)
            return {std::nullopt, QStringLiteral("unbekannte Option %1").arg(anf(arg))};
        QString wert;
        if (!o->wertname.isEmpty()) {
            if (gleich >= 0)
                wert = arg.mid(gleich + 1);
            else if (i + 1 < argumente.size())
                wert = argumente[++i];
            else
                return {std::nullopt, QStringLiteral("%1 braucht einen Wert (%2)").arg(anf(name), o->wertname)};
            if (wert.isEmpty())
                return {std::nullopt, QStringLiteral("%1 braucht einen Wert (%2)").arg(anf(name), o->wertname)};
        } else if (gleich >= 0) {
            return {std::nullopt, QStringLiteral("%1 nimmt keinen Wert").arg(anf(name))};
        }
        o->setzen(a, wert);
    }
    if (a.hilfe)
        return {a, QString()};
    if (!freieVerteilen(a, frei))
        return {std::nullopt, a.alleTabellen ? QStringLiteral("es fehlen Datei oder Suchtext")
                                             : QStringLiteral("es fehlen Datei, Tabelle oder Suchtext")};
    return {a, QString()};
}

QString kurzhilfe()
{
    return QStringLiteral("Aufruf: zelk-feldspur-suche [OPTIONEN] DATEI... TABELLE SUCHTEXT\n"
                          "       zelk-feldspur-suche --alle-tabellen [OPTIONEN] DATEI|ORDNER... SUCHTEXT\n");
}

QString hilfetext()
{
    QString t = kurzhilfe();
    t += QStringLiteral(
        "\n"
        "Durchsucht Tabellen von Access-Datenbanken (.mdb: Access 97 bis 2003, .accdb:\n"
        "Access 2007 und neuer) nach SUCHTEXT und\n"
        "schreibt jeden Treffer wie das Protokoll des Programms ZELK-Feldspur.\n"
        "\n"
        "Ohne --ohne-wildcards steht jedes innere \"*\" des Suchtextes für genau ein Zeichen;\n"
        "Groß- und Kleinschreibung zählen nicht. Ein Suchtext, der mit \"-\" beginnt,\n"
        "steht hinter \"--\". Ordner liefern ihre Dateien auf \".mdb\" und \".accdb\" (in jeder\n"
        "Schreibweise), mit -r auch die ihrer Unterordner. Bei mehr als einer Tabelle\n"
        "oder Datei steht über den Zeilen jeder Tabelle mit Treffern eine Zeile\n"
        "\">>Datei: DATEI<Tab>Tabelle: TABELLE\", am Ende eine Gesamtsumme.\n"
        "\n"
        "Mit --felder und --info gilt eine Feldauswahl wie in der Auswahlmaske des\n"
        "Programms: gesucht wird nur in den Feldern von --felder, und jeder Satz mit\n"
        "einem Treffer wird als Block aller gewählten Felder geschrieben, unter den\n"
        "Kopfzeilen \">>Aktive Felder der Feldauswahl:\". Feldnamen durch Kommas\n"
        "getrennt, in beliebiger Schreibweise; die Reihenfolge ist die der Tabelle.\n"
        "Eine Tabelle ohne eines der Felder wird nicht durchsucht.\n"
        "\n"
        "Optionen:\n");
    for (const Option& o : optionen()) {
        if (!*o.erklaerung)
            continue;
        QString links = o.kurz.isEmpty() ? QStringLiteral("    ") : o.kurz + QStringLiteral(", ");
        links += o.lang;
        if (!o.wertname.isEmpty())
            links += u' ' + o.wertname;
        t += QStringLiteral("  ") + links.leftJustified(24) + QString::fromUtf8(o.erklaerung) + u'\n';
    }
    t += QStringLiteral(
        "\n"
        "Das Protokoll ist in der ANSI-Codepage der Spracheinstellung (LC_ALL, LC_CTYPE,\n"
        "LANG) geschrieben, wie Windows sie wählt: Deutsch Windows-1252, Russisch 1251 ...;\n"
        "Zeichen außerhalb werden \"?\".\n"
        "\n"
        "Rückgabewert: 0 Treffer gefunden, 1 kein Treffer, 2 ein Fehler (eine beschädigte\n"
        "oder unlesbare Datei wird auf der Standardfehlerausgabe gemeldet, die Suche geht\n"
        "mit der nächsten weiter). Ist die Standardfehlerausgabe ein Terminal, zeigt sie\n"
        "den Fortschritt.\n");
    return t;
}

}  // namespace Kommandozeile
