// The command line of the search read into values, and the files a call
// names.

#include "Aufruf.h"
#include "Ausgabe.h"
#include "Dateisammlung.h"
#include "Mehrfachsuche.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "Dateimuster.h"

#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* aus) { *aus << '"' << s.toStdString() << '"'; }

using namespace Qt::StringLiterals;
using namespace Kommandozeile;

namespace {

QStringList liste(std::initializer_list<const char*> w)
{
    QStringList l;
    for (const char* s : w)
        l << QString::fromUtf8(s);
    return l;
}

// The values of a call on one line: paths|table|text|protocol|flags m f F.
QString kurz(const Aufruf& a)
{
    QString flags;
    for (auto [an, z] : {std::pair{a.alleTabellen, 'a'}, {a.rekursiv, 'r'}, {a.platzhalter, 'w'}, {a.utf8, 'u'}, {a.nurDateinamen, 'l'},
                         {a.zaehlen, 'c'}, {a.still, 'q'}, {a.formGewaehlt, 'g'}, {a.tabellenListe, 't'}, {a.hilfe, 'h'}})
        if (an)
            flags += QLatin1Char(z);
    return QStringList{a.pfade.join(u','), a.tabelle, a.suchtext, a.protokollDatei, flags}.join(u'|')
           + u" m%1 f%2 F%3"_s.arg(a.hoechstens).arg(int(a.farbe)).arg(int(a.form));
}

// Free arguments and options in any order; grep's options also together
// (-rl) and with the value attached (-m5); a faulty call says what is wrong.
TEST(Aufruf, FreieAngabenUndOptionenAnJederStelle)
{
    // The arguments separated by "|"; kurz() of the call (Farbe: 0 nie, 1 auto,
    // 2 immer; Form: 0 text, 1 protokoll, 2 json), or "!" and the error's start.
    const std::pair<const char*, const char*> faelle[] = {
        {"k.mdb|Kunden|m*ller", "k.mdb|Kunden|m*ller||w m0 f0 F0"},
        {"--ohne-wildcards|k.mdb|Kunden Alt|m*ller|--protokoll|p.txt", "k.mdb|Kunden Alt|m*ller|p.txt| m0 f0 F0"},
        {"a.mdb|b.mdb|ordner|Kunden|x|--protokoll=p.txt", "a.mdb,b.mdb,ordner|Kunden|x|p.txt|w m0 f0 F0"},
        {"--alle-tabellen|-r|ordner|Müller|--utf8", "ordner||Müller||arwu m0 f0 F0"},
        {"ordner1|--rekursiv|ordner2|--alle-tabellen|x", "ordner1,ordner2||x||arw m0 f0 F0"},
        {"--alle-tabellen|k.mdb|--|-5", "k.mdb||-5||aw m0 f0 F0"},
        {"k.mdb|T|-", "k.mdb|T|-||w m0 f0 F0"},
        {"-rl|o|x|y", "o|x|y||rwlg m0 f0 F0"},
        {"-cm5|o|x|y", "o|x|y||wcg m5 f0 F0"},
        {"-q|-m|12|o|x|y", "o|x|y||wq m12 f0 F0"},
        {"--color|o|x|y", "o|x|y||w m0 f1 F0"},  // "--color" takes no free argument
        {"--color=always|--json|o|x|y", "o|x|y||wg m0 f2 F2"},
        {"--format|protokoll|o|x|y", "o|x|y||wg m0 f0 F1"},
        {"--tabellen|a.mdb|ordner", "a.mdb,ordner||||wt m0 f0 F0"},
        {"-h", "||||wh m0 f0 F0"},  // help needs nothing else
        {"k.mdb|Kunden", "!es fehlen Datei, Tabelle oder Suchtext"},
        {"--alle-tabellen|k.mdb", "!es fehlen Datei oder Suchtext"},
        {"", "!es fehlen"},
        {"-x|k.mdb|T|a", "!unbekannte Option „-x“"},
        {"--felder|k.mdb|T|a", "!es fehlen Datei, Tabelle oder Suchtext"},  // k.mdb is the value
        {"k.mdb|T|a|--info=", "!„--info“ braucht einen Wert (C,D)"},
        {"k.mdb|T|a|--protokoll", "!„--protokoll“ braucht einen Wert (DATEI)"},
        {"k.mdb|T|a|--protokoll=", "!„--protokoll“ braucht einen Wert (DATEI)"},
        {"k.mdb|T|a|--utf8=ja", "!„--utf8“ nimmt keinen Wert"},
        // An option's value that looks like an option is a forgotten value.
        {"--protokoll|--utf8|k.mdb|T|a", "!„--protokoll“ braucht einen Wert (DATEI), nicht die Option „--utf8“"},
        {"k.mdb|T|a|-m|-q", "!„-m“ braucht einen Wert (ANZAHL), nicht die Option „-q“"},
        {"k.mdb|T|a|-m|0", "!„-m“ braucht eine ganze Zahl ab 1"},
        {"k.mdb|T|a|-cx", "!unbekannte Option „-x“"},
        {"k.mdb|T|a|--color=bunt", "!„--color“ kennt auto, always und never"},
        {"k.mdb|T|a|--format|xml", "!„--format“ kennt text, protokoll und json"},
        {"k.mdb|T|a|--format=protokoll|--protokoll=p.txt", "!„--format protokoll“ und „--protokoll“"},
        {"--tabellen", "!es fehlt die Datei"},
    };
    for (const auto& [argumente, soll] : faelle) {
        const Aufrufergebnis e = aufrufLesen(QString::fromUtf8(argumente).split(u'|', Qt::SkipEmptyParts));
        const QString ist = e.aufruf ? kurz(*e.aufruf) : u'!' + e.fehler;
        EXPECT_TRUE(*soll == '!' ? ist.startsWith(QString::fromUtf8(soll)) : ist == QString::fromUtf8(soll)) << argumente << ": " << ist.toStdString();
    }
}

// --felder and --info give the mask's rows in the table's column order, named
// as the table spells them; a field in both lists is searched; names the
// table lacks are reported.
TEST(Aufruf, FeldauswahlWieDieMaske)
{
    const auto a = aufrufLesen(liste({"k.mdb", "--felder", "name,Ort", "Kunden", "--info=PLZ", "--info", "Ort", "m*ller"}));
    ASSERT_TRUE(a.aufruf) << a.fehler.toStdString();
    EXPECT_EQ(a.aufruf->felder, liste({"name", "Ort"}));
    EXPECT_EQ(a.aufruf->info, liste({"PLZ", "Ort"}));

    const QStringList spalten = liste({"Nr", "Name", "PLZ", "Ort", "Straße Nr"});
    const auto zeilen = [&](const QStringList& felder, const QStringList& info) {
        const Feldwahl w = feldwahl(spalten, felder, info);
        QStringList l;
        for (const auto& z : w.zeilen)
            l << z.feldname + u':' + (z.suchen ? u's' : u'-') + (z.info ? u'i' : u'-');
        return l.join(u',') + u'!' + w.fehlend.join(u',');
    };
    EXPECT_EQ(zeilen(a.aufruf->felder, a.aufruf->info), u"Nr:--,Name:s-,PLZ:-i,Ort:s-,Straße Nr:--!"_s);
    EXPECT_EQ(zeilen(liste({"Name", "Telefon"}), liste({"Fax", "Telefon"})).section(u'!', 1), u"Telefon,Fax"_s);
    EXPECT_EQ(zeilen(liste({"straße nr"}), {}).section(u'!', 0, 0).section(u',', 4), u"Straße Nr:s-"_s);
}

// One hit, one line: nothing in a value may break a line or steer a terminal.
TEST(Ausgabe, EinzeiligMitSichtbarenSteuerzeichen)
{
    const struct {
        const char16_t* text;
        const char* zeile;
    } faelle[] = {
        {u"Müller", "Müller"},
        {u"a\nb", "a\\nb"},
        {u"Zeile 1\r\nZeile 2\tTab", "Zeile 1\\r\\nZeile 2\\tTab"},
        {u"\x1b[2Jrot\x07\x7f\u0085", "\\x1b[2Jrot\\x07\\x7f\\x85"},
        {u"abc\u202Efdp.exe\u2066x\u2069\u200F", "abc\\u202efdp.exe\\u2066x\\u2069\\u200f"},
        {u"A\u2028B\u2029", "A\\u2028B\\u2029"},
        {u"\U0001F600 \u00AD\u00A0", "\U0001F600 \u00AD\u00A0"},  // a character beyond the BMP, soft hyphen and no-break space stay
        {u"x\xDC00y", "x\\udc00y"},                              // a lone surrogate
    };
    for (const auto& f : faelle)
        EXPECT_EQ(einzeilig(QStringView(f.text)), QString::fromUtf8(f.zeile)) << QString::fromUtf8(f.zeile).toStdString();
    // Messages keep a Windows path as it is written.
    EXPECT_EQ(einzeilig(u"C:\\daten.mdb\x1b", false), u"C:\\daten.mdb\\x1b"_s);
}

TEST(Ausgabe, FundstellenNachDerRegelDerSuche)
{
    const struct {
        const char* suchtext;
        bool platzhalter;
        const char* wert;
        std::vector<std::pair<qsizetype, qsizetype>> stellen;
    } faelle[] = {
        {"ller", false, "Müller-Keller", {{2, 4}, {9, 4}}},
        {"LLER", false, "müller", {{2, 4}}},
        {"m*ller", true, "Müller und Moller", {{0, 6}, {11, 6}}},
        {"m*ller", false, "m*ller", {{0, 6}}},
        {"*aa*", true, "aaaaa", {{0, 2}, {2, 2}}},
        {"*", true, "alles", {}},
    };
    const QLocale de(QLocale::German, QLocale::Germany);
    for (const auto& f : faelle) {
        const Suche::Suchmuster m(QString::fromUtf8(f.suchtext), f.platzhalter ? Suche::Suchmodus::Platzhalter : Suche::Suchmodus::Einfach, de);
        std::vector<std::pair<qsizetype, qsizetype>> ist;
        for (const Stelle& s : fundstellen(m, QString::fromUtf8(f.wert)))
            ist.emplace_back(s.anfang, s.laenge);
        EXPECT_EQ(ist, f.stellen) << f.suchtext << " in " << f.wert;
    }
}

TEST(Ausgabe, KodierungNachDerSpracheinstellung)
{
    const struct {
        const char* langinfo;
        const char* locale;
        const char* kodierung;
    } faelle[] = {
        {"UTF-8", "de_DE.UTF-8", "UTF-8"},
        {"ISO-8859-15", "de_DE@euro", "ISO-8859-15"},
        {"ANSI_X3.4-1968", "de_DE.ISO-8859-1", "ISO-8859-1"},  // not installed: its name says
        {"ANSI_X3.4-1968", "ru_RU.KOI8-R@x", "KOI8-R"},
        {"ANSI_X3.4-1968", "C", "UTF-8"},
        {"", "", "UTF-8"},
        {"ANSI_X3.4-1968", "POSIX", "UTF-8"},
        {"", "en_US.utf8", "UTF-8"},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(ausgabeKodierung(QString::fromLatin1(f.langinfo), QString::fromLatin1(f.locale)), QString::fromLatin1(f.kodierung))
            << f.langinfo << " " << f.locale;
}

// The files a call names: folders in the order of the window's file list,
// subfolders only with -r, a loop over links ended; a file named is taken as
// it is; what may not reach the reader says why.
TEST(Sammlung, OrdnerWieDieDateilisteUnterordnerNurMitR)
{
    QTemporaryDir dir;
    for (const char* n : {"Kunden10.mdb", "kunden2.MDB", "b.Mdb", ".versteckt.mdb", ".mdb", "notiz.txt", "x.mdb.bak", "c.ACCDB",
                          "d.accdb", ".accdb", "e.accdb.bak", "f.accde",
                          "Archiv B/z.mdb", "archiv a/y.mdb", "archiv a/tief/w.mdb", "archiv a/tief/Kein.mdb/v.mdb"}) {
        const QString p = dir.filePath(QString::fromUtf8(n));
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(u"archiv a/tief/zurueck"_s)));
    ASSERT_TRUE(QFile::link(dir.filePath(u"nirgends"_s), dir.filePath(u"weg.mdb"_s)));
    const auto pfade = [&](const std::vector<Fundstelle>& funde) {
        QStringList l;
        for (const auto& f : funde)
            l << f.pfad.mid(dir.path().size() + 1) + (f.fehler.isEmpty() ? QString() : u" !"_s);
        return l;
    };
    QStringList liste1;
    for (const QString& n : Dateimuster::datenbankDateien(dir.path()))
        liste1 << n;
    EXPECT_EQ(liste1.size(), 7);
    EXPECT_EQ(pfade(dateienSammeln({dir.path()}, false)), liste1);
    EXPECT_EQ(pfade(dateienSammeln({dir.path()}, true)),
              liste1 + liste({"archiv a/y.mdb", "archiv a/tief/w.mdb", "archiv a/tief/Kein.mdb/v.mdb", "Archiv B/z.mdb"}));
    // A folder twice is read once.
    EXPECT_EQ(pfade(dateienSammeln({dir.filePath(u"notiz.txt"_s), dir.filePath(u"archiv a"_s), dir.filePath(u"archiv a/"_s)}, false)),
              liste({"notiz.txt", "archiv a/y.mdb"}));

    const struct {
        const char* name;
        const char* grund;
    } faelle[] = {{"b.Mdb", ""}, {"fehlt.mdb", "Datei nicht gefunden"}, {"weg.mdb", "Verknüpfung ins Leere"}, {".", "ist ein Ordner"}};
    for (const auto& f : faelle)
        EXPECT_EQ(dateiPruefen(dir.filePath(QString::fromUtf8(f.name))), QString::fromUtf8(f.grund)) << f.name;
    EXPECT_EQ(dateiPruefen(u"/dev/null"_s), u"ist keine gewöhnliche Datei"_s);
}

}  // namespace
