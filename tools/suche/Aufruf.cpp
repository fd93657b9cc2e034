#include "Aufruf.h"

#include <functional>

namespace Kommandozeile {

namespace {

struct Option {
    QLatin1String lang;
    QLatin1String kurz;      // empty when there is none
    QLatin1String wertname;  // empty for a switch
    const char* erklaerung;  // UTF-8; empty: not in the help
    // Sets the value; returns a German error, empty when the value is good.
    std::function<QString(Aufruf&, const QString&)> setzen;
    bool wertFreiwillig = false;  // only after "=" (--color[=WANN])
};

QString anf(const QString& s) { return QStringLiteral("„") + s + QStringLiteral("“"); }

template <class F>
std::function<QString(Aufruf&, const QString&)> immer(F f)
{
    return [f](Aufruf& a, const QString& w) {
        f(a, w);
        return QString();
    };
}

QString formSetzen(Aufruf& a, const QString& w)
{
    if (w == QLatin1String("text"))
        a.form = Form::Text;
    else if (w == QLatin1String("protokoll"))
        a.form = Form::Protokoll;
    else if (w == QLatin1String("json"))
        a.form = Form::Json;
    else
        return QStringLiteral("„--format“ kennt text, protokoll und json, nicht %1").arg(anf(w));
    a.formGewaehlt = true;
    return QString();
}

QString farbeSetzen(Aufruf& a, const QString& w)
{
    if (w.isEmpty() || w == QLatin1String("auto"))
        a.farbe = Farbe::Auto;
    else if (w == QLatin1String("always"))
        a.farbe = Farbe::Immer;
    else if (w == QLatin1String("never"))
        a.farbe = Farbe::Nie;
    else
        return QStringLiteral("„--color“ kennt auto, always und never, nicht %1").arg(anf(w));
    return QString();
}

QString hoechstensSetzen(Aufruf& a, const QString& w)
{
    bool ok = false;
    a.hoechstens = w.toLongLong(&ok);
    if (!ok || a.hoechstens < 1)
        return QStringLiteral("„-m“ braucht eine ganze Zahl ab 1, nicht %1").arg(anf(w));
    return QString();
}

const std::vector<Option>& optionen()
{
    static const std::vector<Option> tabelle{
        {QLatin1String("--alle-tabellen"), QLatin1String(), QLatin1String(),
         "jede Tabelle durchsuchen (dann ohne TABELLE)", immer([](Aufruf& a, const QString&) { a.alleTabellen = true; })},
        {QLatin1String("--rekursiv"), QLatin1String("-r"), QLatin1String(),
         "auch die Unterordner der genannten Ordner", immer([](Aufruf& a, const QString&) { a.rekursiv = true; })},
        {QLatin1String("--ohne-wildcards"), QLatin1String(), QLatin1String(),
         "einfache Suche: \"*\" ist ein gewöhnliches Zeichen", immer([](Aufruf& a, const QString&) { a.platzhalter = false; })},
        {QLatin1String("--felder"), QLatin1String(), QLatin1String("A,B"),
         "nur in diesen Feldern suchen (Feldauswahl, siehe oben)",
         immer([](Aufruf& a, const QString& w) { a.felder << w.split(u',', Qt::SkipEmptyParts); })},
        {QLatin1String("--info"), QLatin1String(), QLatin1String("C,D"),
         "diese Felder mit jedem Treffersatz auflisten",
         immer([](Aufruf& a, const QString& w) { a.info << w.split(u',', Qt::SkipEmptyParts); })},
        {QLatin1String("--files-with-matches"), QLatin1String("-l"), QLatin1String(),
         "nur die Namen der Dateien mit Treffern", immer([](Aufruf& a, const QString&) { a.nurDateinamen = a.formGewaehlt = true; })},
        {QLatin1String("--count"), QLatin1String("-c"), QLatin1String(),
         "nur die Zahl der Treffer je Tabelle", immer([](Aufruf& a, const QString&) { a.zaehlen = a.formGewaehlt = true; })},
        {QLatin1String("--quiet"), QLatin1String("-q"), QLatin1String(),
         "nichts ausgeben, nur der Rückgabewert; endet beim ersten Treffer",
         immer([](Aufruf& a, const QString&) { a.still = true; })},
        {QLatin1String("--max-count"), QLatin1String("-m"), QLatin1String("ANZAHL"),
         "höchstens ANZAHL Treffer je Tabelle", hoechstensSetzen},
        {QLatin1String("--color"), QLatin1String(), QLatin1String("WANN"),
         "Treffer farbig: auto (auf einem Terminal), always, never", farbeSetzen, true},
        {QLatin1String("--json"), QLatin1String(), QLatin1String(),
         "ein JSON-Objekt je Treffer (wie --format json)",
         [](Aufruf& a, const QString&) { return formSetzen(a, QStringLiteral("json")); }},
        {QLatin1String("--format"), QLatin1String(), QLatin1String("FORM"),
         "text (Vorgabe), protokoll (die Bytes des Protokolls) oder json", formSetzen},
        {QLatin1String("--protokoll"), QLatin1String(), QLatin1String("DATEI"),
         "das Protokoll in DATEI (dann ohne Standardausgabe, außer -l, -c, --format)",
         immer([](Aufruf& a, const QString& w) { a.protokollDatei = w; })},
        {QLatin1String("--tabellen"), QLatin1String(), QLatin1String(),
         "nur die Tabellen jeder Datei auflisten (ohne TABELLE und SUCHTEXT)",
         immer([](Aufruf& a, const QString&) { a.tabellenListe = true; })},
        {QLatin1String("--utf8"), QLatin1String(), QLatin1String(),
         "Standardausgabe in UTF-8, was auch die Spracheinstellung sagt",
         immer([](Aufruf& a, const QString&) { a.utf8 = true; })},
        {QLatin1String("--version"), QLatin1String("-V"), QLatin1String(), "Version zeigen",
         immer([](Aufruf& a, const QString&) { a.version = true; })},
        {QLatin1String("--help"), QLatin1String("-h"), QLatin1String(), "diese Hilfe zeigen",
         immer([](Aufruf& a, const QString&) { a.hilfe = true; })},
        // Not in the help: for the benchmarks, the reader without its process.
        {QLatin1String("--im-prozess"), QLatin1String(), QLatin1String(), "",
         immer([](Aufruf& a, const QString&) { a.imProzess = true; })},
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

bool siehtAusWieOption(const QString& s) { return s.size() >= 2 && s.startsWith(u'-'); }

// The free arguments in their places; false when too few.
bool freieVerteilen(Aufruf& a, const QStringList& frei)
{
    if (a.tabellenListe) {
        a.pfade = frei;
        return !frei.isEmpty();
    }
    const qsizetype hinten = a.alleTabellen ? 1 : 2;
    if (frei.size() < hinten + 1)
        return false;
    a.suchtext = frei.back();
    if (!a.alleTabellen)
        a.tabelle = frei[frei.size() - 2];
    a.pfade = frei.mid(0, frei.size() - hinten);
    return true;
}

// The value of o from the next argument, moving i past it.
QString naechsterWert(Aufruf& a, const Option& o, const QString& name, const QStringList& argumente, qsizetype& i)
{
    const QString fehlt = QStringLiteral("%1 braucht einen Wert (%2)").arg(anf(name), o.wertname);
    if (i + 1 >= argumente.size() || argumente[i + 1].isEmpty())
        return fehlt;
    const QString& wert = argumente[++i];
    // "--protokoll --utf8" forgot the file; a name that begins with "-"
    // goes after "=" or as "./-name".
    if (siehtAusWieOption(wert))
        return fehlt + QStringLiteral(", nicht die Option %1").arg(anf(wert));
    return o.setzen(a, wert);
}

// Short switches together (-rl), a short value directly behind (-m5).
QString kurzeLesen(Aufruf& a, const QStringList& argumente, qsizetype& i)
{
    const QString arg = argumente[i];
    for (qsizetype k = 1; k < arg.size(); ++k) {
        const QString name = QStringLiteral("-") + arg[k];
        const Option* o = optionZu(name);
        if (!o)
            return QStringLiteral("unbekannte Option %1").arg(anf(name));
        if (o->wertname.isEmpty()) {
            o->setzen(a, QString());
            continue;
        }
        return k + 1 < arg.size() ? o->setzen(a, arg.mid(k + 1)) : naechsterWert(a, *o, name, argumente, i);
    }
    return QString();
}

// Reads the option at argumente[i], moving i past a value it takes.
QString optionLesen(Aufruf& a, const QStringList& argumente, qsizetype& i)
{
    const QString& arg = argumente[i];
    if (!arg.startsWith(QLatin1String("--")))
        return kurzeLesen(a, argumente, i);
    const qsizetype gleich = arg.indexOf(u'=');
    const QString name = gleich < 0 ? arg : arg.left(gleich);
    const Option* o = optionZu(name);
    if (!o)
        return QStringLiteral("unbekannte Option %1").arg(anf(arg));
    if (o->wertname.isEmpty())
        return gleich >= 0 ? QStringLiteral("%1 nimmt keinen Wert").arg(anf(name)) : o->setzen(a, QString());
    if (gleich >= 0) {
        const QString wert = arg.mid(gleich + 1);
        return wert.isEmpty() ? QStringLiteral("%1 braucht einen Wert (%2)").arg(anf(name), o->wertname) : o->setzen(a, wert);
    }
    return o->wertFreiwillig ? o->setzen(a, QString()) : naechsterWert(a, *o, name, argumente, i);
}

}  // namespace

Aufrufergebnis aufrufLesen(const QStringList& argumente)
{
    Aufruf a;
    QStringList frei;
    bool nurNochFrei = false;
    for (qsizetype i = 0; i < argumente.size(); ++i) {
        const QString& arg = argumente[i];
        if (nurNochFrei || !siehtAusWieOption(arg)) {
            frei << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            nurNochFrei = true;
            continue;
        }
        const QString fehler = optionLesen(a, argumente, i);
        if (!fehler.isEmpty())
            return {std::nullopt, fehler};
    }
    if (a.hilfe || a.version)
        return {a, QString()};
    if (a.form == Form::Protokoll && !a.protokollDatei.isEmpty())
        return {std::nullopt, QStringLiteral("„--format protokoll“ und „--protokoll“ schließen einander aus")};
    if (!freieVerteilen(a, frei))
        return {std::nullopt, a.tabellenListe   ? QStringLiteral("es fehlt die Datei")
                              : a.alleTabellen ? QStringLiteral("es fehlen Datei oder Suchtext")
                                               : QStringLiteral("es fehlen Datei, Tabelle oder Suchtext")};
    return {a, QString()};
}

QString kurzhilfe()
{
    return QStringLiteral("Aufruf: zelk-feldspur-suche [OPTIONEN] DATEI... TABELLE SUCHTEXT\n"
                          "       zelk-feldspur-suche --alle-tabellen [OPTIONEN] DATEI|ORDNER... SUCHTEXT\n"
                          "       zelk-feldspur-suche --tabellen DATEI|ORDNER...\n");
}

QString hilfetext()
{
    QString t = kurzhilfe();
    t += QStringLiteral(
        "\n"
        "Durchsucht Tabellen von Access-Datenbanken (.mdb: Access 97 bis 2003, .accdb:\n"
        "Access 2007 und neuer) nach SUCHTEXT, wie das Programm ZELK-Feldspur es tut,\n"
        "und arbeitet dabei wie grep.\n"
        "\n"
        "Ohne --ohne-wildcards steht jedes innere \"*\" des Suchtextes für genau ein Zeichen;\n"
        "Groß- und Kleinschreibung zählen nicht. Ein Suchtext, der mit \"-\" beginnt,\n"
        "steht hinter \"--\". Ordner liefern ihre Dateien auf \".mdb\" und\n"
        "\".accdb\" (in jeder Schreibweise), mit -r auch die ihrer Unterordner.\n"
        "\n"
        "Jeder Treffer ist eine Zeile \"Satz: N<Tab><Tab>FELD<Tab>Feldinhalt: WERT\", in der\n"
        "Zeichenkodierung der Spracheinstellung mit LF. Kann der Aufruf mehr als eine\n"
        "Tabelle erreichen, stehen vorn Datei und Tabelle, durch Tabulatoren getrennt:\n"
        "\"DATEI<Tab>TABELLE<Tab>Satz: ...\". Zeilenumbrüche, Tabulatoren und andere\n"
        "Steuerzeichen stehen maskiert da (\\n, \\t, \\x1b, \\u202e, \\\\). Am Ende\n"
        "stehen 29 Minuszeichen und \"gesamt gefundene Felder: N\". --format protokoll gibt\n"
        "statt dessen die Bytes des Protokolls aus (ANSI-Codepage, CR LF, Überschrift\n"
        "\">>Datei: DATEI<Tab>Tabelle: TABELLE\" über jeder Tabelle).\n"
        "\n"
        "Mit --felder und --info gilt eine Feldauswahl wie in der Auswahlmaske des\n"
        "Programms: gesucht wird nur in den Feldern von --felder, und jeder Satz mit\n"
        "einem Treffer wird als Block aller gewählten Felder geschrieben, im Protokoll\n"
        "unter den Kopfzeilen \">>Aktive Felder der Feldauswahl:\". Feldnamen durch\n"
        "Kommas getrennt, in beliebiger Schreibweise; die Reihenfolge ist die der\n"
        "Tabelle. Eine Tabelle ohne eines der Felder wird nicht durchsucht.\n"
        "\n"
        "Kurze Optionen lassen sich zusammenfassen (-rl, -cm5). Ein Wert, der wie eine\n"
        "Option aussieht (--protokoll --utf8), ist ein Fehler; ein Dateiname mit \"-\"\n"
        "vorn steht hinter \"=\" oder als \"./-name\".\n"
        "\n"
        "Optionen:\n");
    for (const Option& o : optionen()) {
        if (!*o.erklaerung)
            continue;
        QString links = o.kurz.isEmpty() ? QStringLiteral("    ") : o.kurz + QStringLiteral(", ");
        links += o.lang;
        if (!o.wertname.isEmpty())
            links += o.wertFreiwillig ? QStringLiteral("[=") + o.wertname + u']' : u' ' + o.wertname;
        t += QStringLiteral("  ") + links.leftJustified(26) + QString::fromUtf8(o.erklaerung) + u'\n';
    }
    t += QStringLiteral(
        "\n"
        "--alle-tabellen durchsucht jede Tabelle, auch mit Leerzeichen oder Klammern im\n"
        "Namen; nur Systemtabellen (MSys...) und temporäre Objekte (~TMP...) nicht. Eine\n"
        "verknüpfte Tabelle wird mit der Datei genannt, in der ihre Daten liegen.\n"
        "\n"
        "Das Protokoll ist in der ANSI-Codepage der Spracheinstellung (LC_ALL, LC_CTYPE,\n"
        "LANG) geschrieben, wie Windows sie wählt: Deutsch Windows-1252, Russisch 1251 ...;\n"
        "Zeichen außerhalb werden \"?\". --protokoll schreibt nie über eine Datenbank,\n"
        "eine der durchsuchten Dateien oder etwas, das keine gewöhnliche Datei ist.\n"
        "\n"
        "Rückgabewert: 0 Treffer gefunden, 1 kein Treffer, 2 ein Fehler (eine beschädigte\n"
        "oder unlesbare Datei oder Tabelle wird auf der Standardfehlerausgabe gemeldet,\n"
        "die Suche geht mit der nächsten weiter). Mit -q ist ein Treffer immer 0. Ist die\n"
        "Standardfehlerausgabe ein Terminal, zeigt sie den Fortschritt.\n");
    return t;
}

}  // namespace Kommandozeile
