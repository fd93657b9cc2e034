#pragma once
// The result protocol Protokoll.txt: its lines, the writer that puts them
// into the file (the ANSI code page of the user's locale, CR LF), where the
// file lives, and how the protocol viewer is started.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QIODevice;
class QSaveFile;

namespace Protokoll {

inline constexpr char16_t Dateiname[] = u"Protokoll.txt";

// --- lines -----------------------------------------------------------------

// A counter of the run (double) as text: whole numbers without decimals.
QString zaehlerText(double zaehler);
// The same text appended to z: a hit line is written for every hit.
void zaehlerAnhaengen(QString& z, double zaehler);

QString kopfAnfangZeile();                                    // ">>Aktive Felder der Feldauswahl:"
QString kopfFeldZeile(QStringView feldname, bool vergleichsfeld);  // "Vergleichsfeld: " / "Infofeld: " + name
QString beginnZeile();                                        // "------------------Beginn der Auswertung---------------"
QString trefferZeile(double satz, QStringView feldname, QStringView wert);
// The same line appended to z, with the field name and the value written by
// the given appenders (the command line escapes them, and marks the hit).
template <class Feld, class Wert>
void trefferZeileAnhaengen(QString& z, double satz, Feld&& feld, Wert&& wert)
{
    z += QStringLiteral("Satz: ");
    zaehlerAnhaengen(z, satz);
    z += QStringLiteral("\t\t");
    feld(z);
    z += QStringLiteral("\tFeldinhalt: ");
    wert(z);
}
QString schlussStriche();                                     // 29 minus signs
QString gesamtZeile(double treffer);                          // "gesamt gefundene Felder: " + count
QString abbruchZeile(double satz);                            // "Suchlauf abgebrochen nach Satz " + last record
QString listenTrenner();                                      // 43 minus signs, List1 only
// "Suchlauf unvollständig: Tabelle T, Seite N beschädigt" for a run that
// read past damaged pages (several pages: "Seiten 4, 9 und 12", the first
// ten and how many more); without pages, the reader's words (ohneSeite).
QString unvollstaendigZeile(QStringView tabelle, const std::vector<std::uint32_t>& seiten, QStringView ohneSeite);

// One row of the field selection mask as the header and the filter read it.
struct MaskenZeile {
    QString feldname;  // caption of fldBez
    bool suchen;       // fldSchalter is not 0
};

// Lines 1 to 4 of a run with a field selection: the first line, for every
// mask row in mask order and every recordset field of the same name (exact)
// a field line, the empty line, the begin line.
QStringList kopfZeilen(const std::vector<MaskenZeile>& maske, const QStringList& felder);

// One field of the current record; nullopt is Null (written as empty text).
struct Feldwert {
    QString name;
    std::optional<QString> wert;
};

// The block of a hit record with a field selection: one hit line per column.
QStringList blockZeilen(double satz, const std::vector<Feldwert>& felder);

// --- writer ----------------------------------------------------------------

// A write error, with a German message that names the file.
class Schreibfehler : public std::runtime_error {
public:
    explicit Schreibfehler(const QString& meldung);
    const QString& meldung() const { return meldung_; }

private:
    QString meldung_;
};

// --- code page -------------------------------------------------------------

// The protocol is written in the ANSI code page that Windows gives the
// user's locale. 65001 (Windows' number for UTF-8) stands for UTF-8.
inline constexpr int CodepageUtf8 = 65001;

// The code page of a locale given in the POSIX form "ll_CC.codeset@modifier"
// (ll or ll_CC at least): 1250 Central European, 1251 Cyrillic, 1252
// Western, 1253 Greek, 1254 Turkish, 1255 Hebrew, 1256 Arabic, 1257 Baltic,
// 1258 Vietnamese, 874 Thai, 932 Japanese, 936/950 Chinese, 949 Korean.
// "@latin" and "@cyrillic" choose the script (sr_RS@latin is 1250). C,
// POSIX and everything else get 1252.
int ansiCodepage(QStringView locale);

// For this process: the first of LC_ALL, LC_CTYPE and LANG that is set.
int ansiCodepageDesSystems();

// Turns text into the bytes of one code page. A character outside it (a
// surrogate pair counts as one) becomes '?'; nothing is approximated.
// 1252 is built in (its five gaps go to the C1 controls of the same number,
// as on Windows); the other code pages are taken from Qt's converters, and
// one that Qt lacks falls back to 1252.
class Kodierer {
public:
    explicit Kodierer(int codepage);
    int codepage() const { return codepage_; }  // the one in use
    void anhaengen(QByteArray& ziel, QStringView text) const;
    QByteArray kodieren(QStringView text) const;

    struct Tabelle;

private:
    int codepage_;
    std::shared_ptr<const Tabelle> tabelle_;  // null for UTF-8
};

QByteArray alsCodepage(QStringView text, int codepage);
QByteArray alsWindows1252(QStringView text);

// --- target ----------------------------------------------------------------

// Why the protocol must not go to pfad, in German; empty when it may. The
// writer replaces its target, so it refuses one that (after its links) is
// one of the searched files, holds an Access database (Jet or ACE, as its
// first page says, whatever its name), or exists and is no regular file
// (a folder, FIFO or device would be replaced by a plain file).
QString zielVerweigert(const QString& pfad, const QStringList& durchsucht);

// Collects encoded lines and writes them in blocks of about 64 KB. On a file
// it writes beside the target and replaces the target only by
// abschliessen(), so a broken run leaves the previous protocol. Lines are in
// the code page of the user's locale and end in CR LF unless set otherwise.
class Schreiber {
public:
    static constexpr qsizetype Blockgroesse = 64 * 1024;

    // The protocol file; created with its directory when missing.
    explicit Schreiber(const QString& pfad);
    // An open device (standard output, tests); anzeigename goes into messages.
    // No device (nullptr): the lines go nowhere, and cost nothing (the command
    // line when standard output carries another form).
    Schreiber(QIODevice* geraet, const QString& anzeigename);
    ~Schreiber();
    Schreiber(const Schreiber&) = delete;
    Schreiber& operator=(const Schreiber&) = delete;

    // The files being searched: oeffnen() refuses them as target (see
    // zielVerweigert), and writes nothing then.
    void setzeDurchsuchteDateien(const QStringList& dateien) { durchsucht_ = dateien; }
    void oeffnen();                // throws Schreibfehler
    void zeile(QStringView text);  // text + CR LF; throws Schreibfehler
    // Lines another writer encoded the same way (same code page and line
    // end), as they are; throws Schreibfehler.
    void anhaengen(QByteArrayView bytes);
    void abschliessen();           // writes the rest, replaces the file; throws Schreibfehler
    void verwerfen();              // the target stays as it was

    void setzeKodierung(int codepage, const QByteArray& zeilenende);
    int codepage() const { return kodierer_.codepage(); }
    const QByteArray& zeilenende() const { return zeilenende_; }
    bool schreibtEtwas() const { return geraet_ != nullptr; }  // false: the lines go nowhere
    // Written before the next line, and not at all when none follows: a
    // search over many tables names only those that have lines. An empty
    // text takes a waiting one back.
    void setzeUeberschrift(const QString& zeile) { ueberschrift_ = zeile; }

    bool offen() const { return offen_; }
    const QString& anzeigename() const { return name_; }

private:
    void blockSchreiben();
    [[noreturn]] void fehler(const QString& was);

    QString name_;
    std::unique_ptr<QSaveFile> datei_;
    QIODevice* geraet_ = nullptr;
    QByteArray puffer_;
    bool offen_ = false;
    Kodierer kodierer_;
    QByteArray zeilenende_ = QByteArrayLiteral("\r\n");
    QString ueberschrift_;
    QStringList durchsucht_;
};

// --- place -----------------------------------------------------------------

// The directory of the protocol: the program directory where it can be
// written, otherwise the per-user data directory.
QString protokollVerzeichnis(const QString& programmVerzeichnis, const QString& datenVerzeichnis,
                             const std::function<bool(const QString&)>& beschreibbar);
QString protokollPfad(const QString& programmVerzeichnis, const QString& datenVerzeichnis,
                      const std::function<bool(const QString&)>& beschreibbar);

// Tries to create a file in the directory (permissions alone say nothing for
// root or on a read-only mount).
bool verzeichnisBeschreibbar(const QString& verzeichnis);

// The rule above for this program: applicationDirPath() and
// QStandardPaths::AppDataLocation; an installed program writes to the
// latter only. Needs a QCoreApplication.
QString protokollPfadDiesesProgramms(bool installiert);

}  // namespace Protokoll

// --- viewer ----------------------------------------------------------------

namespace SystempfadWindows {

inline constexpr qsizetype Puffergroesse = 260;

// Filled by SystempfadLesen: 260 characters, the system directory, a NUL,
// then blanks.
extern QString Systempfad;

// The buffer as the system call leaves it. A directory that does not fit
// leaves the 260 blanks (the call writes nothing then).
QString systempfadPuffer(QStringView systemverzeichnis);

// This platform has no system directory: the buffer holds a NUL and blanks.
void SystempfadLesen();

// The text up to and including the backslash of the first "\system32"
// (case-sensitive); empty when it does not occur.
QString windowsVerzeichnis(QStringView systempfad);

// The command line of the original: Windows directory + "Notepad.exe " + path.
QString notepadKommandozeile(QStringView windowsVerzeichnis, const QString& protokollPfad);

// What to start to show the protocol. With a Windows directory, its
// Notepad.exe; without one, "Notepad.exe" from the search path, which here is
// the desktop's opener (xdg-open). programm is empty when that is not
// available: the caller then shows the file in its own window.
struct Betrachteraufruf {
    QString programm;
    QStringList argumente;
};
Betrachteraufruf betrachterAufruf(QStringView systempfad, const QString& protokollPfad,
                                  const std::function<QString(const QString&)>& programmSuchen);

}  // namespace SystempfadWindows
