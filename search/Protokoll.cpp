#include "Protokoll.h"

#include "Leser.h"
#include "Systemfehler.h"
#include "Windows1252.h"

#include <algorithm>
#include <array>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>

namespace Protokoll {

// --- lines -----------------------------------------------------------------

void zaehlerAnhaengen(QString& z, double zaehler)
{
    // The counters only ever hold whole numbers; beyond 15 digits the
    // number-to-text conversion switches to its exponent form.
    if (std::floor(zaehler) == zaehler && std::fabs(zaehler) < 1e15) {
        // Digits from the back into a buffer of their own: no allocation.
        std::array<char16_t, 20> ziffern;
        std::size_t ab = ziffern.size();
        auto rest = static_cast<unsigned long long>(std::fabs(zaehler));
        do {
            ziffern[--ab] = char16_t(u'0' + rest % 10);
            rest /= 10;
        } while (rest > 0);
        if (zaehler < 0)
            ziffern[--ab] = u'-';
        z += QStringView(ziffern.data() + ab, qsizetype(ziffern.size() - ab));
        return;
    }
    QString mantisse = QString::number(zaehler, 'E', 14);
    const qsizetype e = mantisse.indexOf(u'E');
    QStringView exponent = QStringView(mantisse).mid(e);
    QStringView ziffern = QStringView(mantisse).left(e);
    if (ziffern.contains(u'.')) {
        while (ziffern.endsWith(u'0'))
            ziffern.chop(1);
        if (ziffern.endsWith(u'.'))
            ziffern.chop(1);
    }
    z += ziffern;
    z += exponent;
}

QString zaehlerText(double zaehler)
{
    QString z;
    zaehlerAnhaengen(z, zaehler);
    return z;
}

QString kopfAnfangZeile()
{
    return QStringLiteral(">>Aktive Felder der Feldauswahl:");
}

QString kopfFeldZeile(QStringView feldname, bool vergleichsfeld)
{
    QString z = vergleichsfeld ? QStringLiteral("Vergleichsfeld: ") : QStringLiteral("Infofeld: ");
    z += feldname;
    return z;
}

QString beginnZeile()
{
    return QStringLiteral("------------------Beginn der Auswertung---------------");
}

QString trefferZeile(double satz, QStringView feldname, QStringView wert)
{
    QString z;
    z.reserve(6 + 16 + 2 + feldname.size() + 1 + 12 + wert.size());
    trefferZeileAnhaengen(z, satz, [feldname](QString& s) { s += feldname; }, [wert](QString& s) { s += wert; });
    return z;
}

QString schlussStriche()
{
    return QString(29, u'-');
}

QString abbruchZeile(double satz)
{
    return QStringLiteral("Suchlauf abgebrochen nach Satz ") + zaehlerText(satz);
}

QString unvollstaendigZeile(QStringView tabelle, const std::vector<std::uint32_t>& seiten, QStringView ohneSeite)
{
    QString z = QStringLiteral("Suchlauf unvollständig: Tabelle ");
    z += tabelle;
    z += QStringLiteral(", ");
    if (seiten.empty())
        return z += ohneSeite;
    constexpr std::size_t Genannt = 10;
    const std::size_t n = std::min(seiten.size(), Genannt);
    z += seiten.size() == 1 ? QStringLiteral("Seite ") : QStringLiteral("Seiten ");
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            z += i + 1 == n && seiten.size() <= Genannt ? QStringLiteral(" und ") : QStringLiteral(", ");
        z += QString::number(seiten[i]);
    }
    if (seiten.size() > Genannt)
        z += QStringLiteral(" und %1 weitere").arg(seiten.size() - Genannt);
    return z + QStringLiteral(" beschädigt");
}

QString gesamtZeile(double treffer)
{
    return QStringLiteral("gesamt gefundene Felder: ") + zaehlerText(treffer);
}

QString listenTrenner()
{
    return QString(43, u'-');
}

QStringList kopfZeilen(const std::vector<MaskenZeile>& maske, const QStringList& felder)
{
    QStringList zeilen{kopfAnfangZeile()};
    for (const auto& zeile : maske)
        for (const auto& feld : felder)
            if (feld == zeile.feldname)
                zeilen << kopfFeldZeile(feld, zeile.suchen);
    zeilen << QString() << beginnZeile();
    return zeilen;
}

QStringList blockZeilen(double satz, const std::vector<Feldwert>& felder)
{
    QStringList zeilen;
    zeilen.reserve(qsizetype(felder.size()));
    for (const auto& f : felder)
        zeilen << trefferZeile(satz, f.name, f.wert ? QStringView(*f.wert) : QStringView());
    return zeilen;
}

// --- code page -------------------------------------------------------------

namespace {

struct CodepageRegel {
    QLocale::Language sprache;
    QLocale::Script schrift;  // AnyScript: every script of the language
    int codepage;
};

// Windows' default ANSI code page of each language; languages not listed
// are Western (1252), as are those Windows keeps Unicode-only.
constexpr CodepageRegel codepageRegeln[] = {
    {QLocale::Albanian, QLocale::AnyScript, 1250},
    {QLocale::Bosnian, QLocale::CyrillicScript, 1251},
    {QLocale::Bosnian, QLocale::AnyScript, 1250},
    {QLocale::Croatian, QLocale::AnyScript, 1250},
    {QLocale::Czech, QLocale::AnyScript, 1250},
    {QLocale::Hungarian, QLocale::AnyScript, 1250},
    {QLocale::Polish, QLocale::AnyScript, 1250},
    {QLocale::Romanian, QLocale::AnyScript, 1250},
    {QLocale::Serbian, QLocale::LatinScript, 1250},
    {QLocale::Serbian, QLocale::AnyScript, 1251},
    {QLocale::Slovak, QLocale::AnyScript, 1250},
    {QLocale::Slovenian, QLocale::AnyScript, 1250},
    {QLocale::Turkmen, QLocale::AnyScript, 1250},
    {QLocale::Belarusian, QLocale::AnyScript, 1251},
    {QLocale::Bulgarian, QLocale::AnyScript, 1251},
    {QLocale::Kazakh, QLocale::AnyScript, 1251},
    {QLocale::Kyrgyz, QLocale::AnyScript, 1251},
    {QLocale::Macedonian, QLocale::AnyScript, 1251},
    {QLocale::Mongolian, QLocale::AnyScript, 1251},
    {QLocale::Russian, QLocale::AnyScript, 1251},
    {QLocale::Tajik, QLocale::AnyScript, 1251},
    {QLocale::Tatar, QLocale::AnyScript, 1251},
    {QLocale::Ukrainian, QLocale::AnyScript, 1251},
    {QLocale::Uzbek, QLocale::CyrillicScript, 1251},
    {QLocale::Uzbek, QLocale::AnyScript, 1254},
    {QLocale::Azerbaijani, QLocale::CyrillicScript, 1251},
    {QLocale::Azerbaijani, QLocale::AnyScript, 1254},
    {QLocale::Greek, QLocale::AnyScript, 1253},
    {QLocale::Turkish, QLocale::AnyScript, 1254},
    {QLocale::Hebrew, QLocale::AnyScript, 1255},
    {QLocale::Arabic, QLocale::AnyScript, 1256},
    {QLocale::Persian, QLocale::AnyScript, 1256},
    {QLocale::Urdu, QLocale::AnyScript, 1256},
    {QLocale::Uyghur, QLocale::AnyScript, 1256},
    {QLocale::Estonian, QLocale::AnyScript, 1257},
    {QLocale::Latvian, QLocale::AnyScript, 1257},
    {QLocale::Lithuanian, QLocale::AnyScript, 1257},
    {QLocale::Vietnamese, QLocale::AnyScript, 1258},
    {QLocale::Thai, QLocale::AnyScript, 874},
    {QLocale::Japanese, QLocale::AnyScript, 932},
    {QLocale::Korean, QLocale::AnyScript, 949},
    {QLocale::Chinese, QLocale::TraditionalHanScript, 950},
    {QLocale::Chinese, QLocale::AnyScript, 936},
};

}  // namespace

int ansiCodepage(QStringView locale)
{
    // "ll_CC.codeset@modifier": QLocale reads ll_CC; the modifier names the
    // script where it matters (sr_RS@latin, uz_UZ@cyrillic).
    const qsizetype at = locale.indexOf(u'@');
    const QStringView modifier = at < 0 ? QStringView() : locale.mid(at + 1);
    QStringView name = at < 0 ? locale : locale.left(at);
    const qsizetype punkt = name.indexOf(u'.');
    if (punkt >= 0)
        name = name.left(punkt);
    const QLocale l(name.toString());
    if (l.language() == QLocale::C)
        return 1252;
    QLocale::Script schrift = l.script();
    if (modifier.compare(u"latin", Qt::CaseInsensitive) == 0)
        schrift = QLocale::LatinScript;
    else if (modifier.compare(u"cyrillic", Qt::CaseInsensitive) == 0)
        schrift = QLocale::CyrillicScript;
    for (const CodepageRegel& r : codepageRegeln)
        if (r.sprache == l.language() && (r.schrift == QLocale::AnyScript || r.schrift == schrift))
            return r.codepage;
    return 1252;
}

int ansiCodepageDesSystems()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString wert = qEnvironmentVariable(variable);
        if (!wert.isEmpty())
            return ansiCodepage(wert);
    }
    return 1252;
}

// --- encoding --------------------------------------------------------------

// Unicode (BMP) -> bytes: below 0x100 one byte, otherwise lead and trail.
struct Kodierer::Tabelle {
    std::array<std::uint16_t, 0x10000> code;
};

namespace {

using Tabelle = Kodierer::Tabelle;

std::shared_ptr<Tabelle> leereTabelle()
{
    auto t = std::make_shared<Tabelle>();
    t->code.fill(u'?');
    for (std::uint16_t c = 0; c < 0x80; ++c)
        t->code[c] = c;
    return t;
}

std::shared_ptr<const Tabelle> tabelle1252()
{
    static const std::shared_ptr<const Tabelle> tabelle = [] {
        auto t = leereTabelle();
        for (std::uint16_t c = 0xA0; c < 0x100; ++c)
            t->code[c] = c;
        for (std::uint16_t i = 0; i < 32; ++i)
            t->code[Windows1252::mitte[i]] = std::uint16_t(0x80 + i);
        return t;
    }();
    return tabelle;
}

const char* konverterName(int codepage)
{
    switch (codepage) {
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "windows-936";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    default: return nullptr;
    }
}

// The one character a byte sequence stands for, or 0 when it is none, or
// more, or incomplete.
char16_t einzeichen(QStringDecoder& d, const char* bytes, qsizetype n)
{
    d.resetState();
    const QString s = d.decode(QByteArrayView(bytes, n));
    if (s.size() != 1 || s[0] == QChar::ReplacementCharacter || s[0].isSurrogate())
        return 0;
    return s[0].unicode();
}

// Reversed from the decoder, so that only characters that come back from
// their bytes are written; where two sequences give the same character the
// lower one is taken.
std::shared_ptr<const Tabelle> tabelleAusKonverter(const char* name)
{
    QStringDecoder d(name);
    if (!d.isValid())
        return nullptr;
    auto t = leereTabelle();
    std::array<bool, 0x10000> belegt{};
    for (int c = 0; c < 0x80; ++c)
        belegt[std::size_t(c)] = true;
    for (int b = 0x80; b < 0x100; ++b) {
        const char einzeln = char(b);
        if (const char16_t c = einzeichen(d, &einzeln, 1); c != 0) {
            if (!belegt[c])
                t->code[c] = std::uint16_t(b);
            belegt[c] = true;
            continue;
        }
        // Not a character of its own: a lead byte of the East Asian code pages.
        for (int trail = 0x40; trail < 0xFF; ++trail) {
            const char paar[2] = {char(b), char(trail)};
            const char16_t c = einzeichen(d, paar, 2);
            if (c != 0 && !belegt[c]) {
                t->code[c] = std::uint16_t(b << 8 | trail);
                belegt[c] = true;
            }
        }
    }
    return t;
}

struct Tabellenwahl {
    int codepage;
    std::shared_ptr<const Tabelle> tabelle;
};

Tabellenwahl tabelleFuer(int codepage)
{
    if (codepage == CodepageUtf8)
        return {codepage, nullptr};
    const char* name = konverterName(codepage);
    if (!name)
        return {1252, tabelle1252()};
    static QMutex sperre;
    static std::map<int, std::shared_ptr<const Tabelle>> fertig;
    const QMutexLocker halten(&sperre);
    auto it = fertig.find(codepage);
    if (it == fertig.end())
        it = fertig.emplace(codepage, tabelleAusKonverter(name)).first;
    if (!it->second)
        return {1252, tabelle1252()};
    return {codepage, it->second};
}

}  // namespace

Kodierer::Kodierer(int codepage)
{
    Tabellenwahl w = tabelleFuer(codepage);
    codepage_ = w.codepage;
    tabelle_ = std::move(w.tabelle);
}

void Kodierer::anhaengen(QByteArray& ziel, QStringView text) const
{
    if (!tabelle_) {
        ziel += text.toUtf8();
        return;
    }
    const auto& tab = tabelle_->code;
    const qsizetype alt = ziel.size();
    ziel.resize(alt + 2 * text.size());
    char* z = ziel.data() + alt;
    const char16_t* q = text.utf16();
    const qsizetype n = text.size();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = q[i];
        // A character beyond the BMP is one '?', not two.
        if ((c & 0xFC00) == 0xD800 && i + 1 < n && (q[i + 1] & 0xFC00) == 0xDC00)
            ++i;
        const std::uint16_t code = tab[c];
        if (code >= 0x100)
            z[k++] = char(code >> 8);
        z[k++] = char(code & 0xFF);
    }
    ziel.resize(alt + k);
}

QByteArray Kodierer::kodieren(QStringView text) const
{
    QByteArray b;
    anhaengen(b, text);
    return b;
}

QByteArray alsCodepage(QStringView text, int codepage)
{
    return Kodierer(codepage).kodieren(text);
}

QByteArray alsWindows1252(QStringView text)
{
    return alsCodepage(text, 1252);
}

// --- target ----------------------------------------------------------------

QString zielVerweigert(const QString& pfad, const QStringList& durchsucht)
{
    struct stat ziel {};
    // A missing target is created; one that cannot be looked at is left to
    // the writer, whose message says why.
    if (::stat(QFile::encodeName(pfad).constData(), &ziel) != 0)
        return QString();
    if (S_ISDIR(ziel.st_mode))
        return QStringLiteral("das Ziel ist ein Ordner");
    if (!S_ISREG(ziel.st_mode))
        return QStringLiteral("das Ziel ist keine gewöhnliche Datei (FIFO, Gerät oder Socket)");
    for (const QString& d : durchsucht) {
        struct stat s {};
        if (::stat(QFile::encodeName(d).constData(), &s) == 0 && s.st_dev == ziel.st_dev && s.st_ino == ziel.st_ino)
            return QStringLiteral("das Ziel ist eine der durchsuchten Dateien");
    }
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("das Ziel kann nicht gelesen und so nicht geprüft werden");
    if (Datenzugriff::nenntAccessFormat(f.read(19)))
        return QStringLiteral("das Ziel ist eine Access-Datenbank");
    return QString();
}

// --- writer ----------------------------------------------------------------

Schreibfehler::Schreibfehler(const QString& meldung)
    : std::runtime_error(meldung.toStdString()), meldung_(meldung)
{
}

Schreiber::Schreiber(const QString& pfad)
    : name_(QDir::toNativeSeparators(QFileInfo(pfad).absoluteFilePath())),
      datei_(std::make_unique<QSaveFile>(pfad)),
      geraet_(datei_.get()),
      kodierer_(ansiCodepageDesSystems())
{
}

Schreiber::Schreiber(QIODevice* geraet, const QString& anzeigename)
    : name_(anzeigename), geraet_(geraet), kodierer_(ansiCodepageDesSystems())
{
}

void Schreiber::setzeKodierung(int codepage, const QByteArray& zeilenende)
{
    kodierer_ = Kodierer(codepage);
    zeilenende_ = zeilenende;
}

Schreiber::~Schreiber()
{
    if (offen_)
        verwerfen();
}

void Schreiber::fehler(const QString& was)
{
    const QString grund = Datenzugriff::systemfehlerDeutsch(geraet_->errorString());
    verwerfen();
    QString text = QStringLiteral("Das Protokoll \"%1\" %2.").arg(name_, was);
    if (!grund.isEmpty())
        text += u'\r' + grund;
    throw Schreibfehler(text);
}

void Schreiber::oeffnen()
{
    puffer_.clear();
    puffer_.reserve(Blockgroesse + 4096);
    if (datei_) {
        const QString grund = zielVerweigert(datei_->fileName(), durchsucht_);
        if (!grund.isEmpty())
            throw Schreibfehler(QStringLiteral("Das Protokoll \"%1\" wird nicht geschrieben: %2.").arg(name_, grund));
        // The per-user data directory may not exist yet.
        QDir().mkpath(QFileInfo(datei_->fileName()).absolutePath());
        // Unbuffered: our own 64 KB blocks go straight to the file, and a
        // full disk shows at the write that hit it.
        if (!datei_->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fehler(QStringLiteral("kann nicht angelegt werden"));
    } else if (!geraet_) {
        // Nowhere to write: nothing can fail.
    } else if (!geraet_->isOpen()) {
        if (!geraet_->open(QIODevice::WriteOnly))
            fehler(QStringLiteral("kann nicht angelegt werden"));
    } else if (!geraet_->isWritable()) {
        fehler(QStringLiteral("kann nicht geschrieben werden"));
    }
    offen_ = true;
}

void Schreiber::blockSchreiben()
{
    if (puffer_.isEmpty() || !geraet_)
        return;
    if (geraet_->write(puffer_) != puffer_.size())
        fehler(QStringLiteral("kann nicht geschrieben werden"));
    puffer_.truncate(0);  // keeps the room (clear() would give it back)
}

void Schreiber::zeile(QStringView text)
{
    if (!offen_)
        throw Schreibfehler(QStringLiteral("Das Protokoll \"%1\" ist nicht geöffnet.").arg(name_));
    if (!geraet_)
        return;
    if (!ueberschrift_.isEmpty()) {
        kodierer_.anhaengen(puffer_, ueberschrift_);
        puffer_ += zeilenende_;
        ueberschrift_.clear();
    }
    kodierer_.anhaengen(puffer_, text);
    puffer_ += zeilenende_;
    if (puffer_.size() >= Blockgroesse)
        blockSchreiben();
}

void Schreiber::anhaengen(QByteArrayView bytes)
{
    if (!offen_)
        throw Schreibfehler(QStringLiteral("Das Protokoll \"%1\" ist nicht geöffnet.").arg(name_));
    if (!geraet_)
        return;
    puffer_ += bytes;
    if (puffer_.size() >= Blockgroesse)
        blockSchreiben();
}

void Schreiber::abschliessen()
{
    if (!offen_)
        throw Schreibfehler(QStringLiteral("Das Protokoll \"%1\" ist nicht geöffnet.").arg(name_));
    blockSchreiben();
    if (datei_) {
        if (!datei_->commit())
            fehler(QStringLiteral("kann nicht gespeichert werden"));
    } else if (auto* fd = qobject_cast<QFileDevice*>(geraet_)) {
        if (!fd->flush())
            fehler(QStringLiteral("kann nicht geschrieben werden"));
    }
    offen_ = false;
}

void Schreiber::verwerfen()
{
    if (datei_ && datei_->isOpen()) {
        // commit() after cancelWriting() removes the temporary file and
        // leaves the target as it was.
        datei_->cancelWriting();
        datei_->commit();
    }
    puffer_.clear();
    offen_ = false;
}

// --- place -----------------------------------------------------------------

QString protokollVerzeichnis(const QString& programmVerzeichnis, const QString& datenVerzeichnis,
                             const std::function<bool(const QString&)>& beschreibbar)
{
    if (datenVerzeichnis.isEmpty() || beschreibbar(programmVerzeichnis))
        return programmVerzeichnis;
    return datenVerzeichnis;
}

QString protokollPfad(const QString& programmVerzeichnis, const QString& datenVerzeichnis,
                      const std::function<bool(const QString&)>& beschreibbar)
{
    return QDir(protokollVerzeichnis(programmVerzeichnis, datenVerzeichnis, beschreibbar))
        .filePath(QString::fromUtf16(Dateiname));
}

bool verzeichnisBeschreibbar(const QString& verzeichnis)
{
    if (!QFileInfo(verzeichnis).isDir())
        return false;
    QTemporaryFile probe(QDir(verzeichnis).filePath(QStringLiteral(".zelk-probe-XXXXXX")));
    return probe.open();
}

QString protokollPfadDiesesProgramms(bool installiert)
{
    // An installed program's folder belongs to the system, not to its users.
    const QString daten = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return protokollPfad(installiert ? daten : QCoreApplication::applicationDirPath(), daten, verzeichnisBeschreibbar);
}

}  // namespace Protokoll

// --- viewer ----------------------------------------------------------------

namespace SystempfadWindows {

QString Systempfad;

QString systempfadPuffer(QStringView systemverzeichnis)
{
    QString puffer(Puffergroesse, u' ');
    if (systemverzeichnis.size() + 1 <= Puffergroesse) {
        puffer.replace(0, systemverzeichnis.size(), systemverzeichnis.toString());
        puffer[systemverzeichnis.size()] = QChar(0);
    }
    return puffer;
}

void SystempfadLesen()
{
    Systempfad = systempfadPuffer(QStringView());
}

QString windowsVerzeichnis(QStringView systempfad)
{
    const qsizetype stelle = systempfad.indexOf(u"\\system32", 0, Qt::CaseSensitive);
    return stelle < 0 ? QString() : systempfad.left(stelle + 1).toString();
}

QString notepadKommandozeile(QStringView windowsVerzeichnis, const QString& protokollPfad)
{
    return windowsVerzeichnis.toString() + QStringLiteral("Notepad.exe ") + protokollPfad;
}

Betrachteraufruf betrachterAufruf(QStringView systempfad, const QString& protokollPfad,
                                  const std::function<QString(const QString&)>& programmSuchen)
{
    const QString verzeichnis = windowsVerzeichnis(systempfad);
    if (!verzeichnis.isEmpty())
        return {verzeichnis + QStringLiteral("Notepad.exe"), {protokollPfad}};
    return {programmSuchen(QStringLiteral("xdg-open")), {protokollPfad}};
}

}  // namespace SystempfadWindows
