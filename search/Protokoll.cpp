#include "Protokoll.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <array>
#include <cmath>

namespace Protokoll {

// --- lines -----------------------------------------------------------------

QString zaehlerText(double zaehler)
{
    // The counters only ever hold whole numbers; beyond 15 digits the
    // number-to-text conversion switches to its exponent form.
    if (std::floor(zaehler) == zaehler && std::fabs(zaehler) < 1e15)
        return QString::number(static_cast<qlonglong>(zaehler));
    QString mantisse = QString::number(zaehler, 'E', 14);
    const qsizetype e = mantisse.indexOf(u'E');
    QString exponent = mantisse.mid(e);
    mantisse.truncate(e);
    if (mantisse.contains(u'.')) {
        while (mantisse.endsWith(u'0'))
            mantisse.chop(1);
        if (mantisse.endsWith(u'.'))
            mantisse.chop(1);
    }
    return mantisse + exponent;
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
    const QString nummer = zaehlerText(satz);
    z.reserve(6 + nummer.size() + 2 + feldname.size() + 1 + 12 + wert.size());
    z += QStringLiteral("Satz: ");
    z += nummer;
    z += QStringLiteral("\t\t");
    z += feldname;
    z += u'\t';
    z += QStringLiteral("Feldinhalt: ");
    z += wert;
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

// --- encoding --------------------------------------------------------------

namespace {

// Unicode -> Windows-1252. The five bytes the code page leaves undefined
// (81, 8D, 8F, 90, 9D) round-trip to the C1 controls of the same number, as
// Windows itself converts them; every other character outside is '?'.
const std::array<char, 0x10000>& codeTabelle()
{
    static const std::array<char, 0x10000> tabelle = [] {
        static constexpr char16_t obereHaelfte[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        std::array<char, 0x10000> t;
        t.fill('?');
        for (int c = 0; c < 0x80; ++c)
            t[size_t(c)] = char(c);
        for (int c = 0xA0; c < 0x100; ++c)
            t[size_t(c)] = char(c);
        for (int i = 0; i < 32; ++i)
            t[obereHaelfte[i]] = char(0x80 + i);
        return t;
    }();
    return tabelle;
}

void anhaengen(QByteArray& ziel, QStringView text)
{
    const auto& tab = codeTabelle();
    const qsizetype alt = ziel.size();
    ziel.resize(alt + text.size());
    char* z = ziel.data() + alt;
    const char16_t* q = text.utf16();
    const qsizetype n = text.size();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = q[i];
        // A character beyond the BMP is one '?', not two.
        if ((c & 0xFC00) == 0xD800 && i + 1 < n && (q[i + 1] & 0xFC00) == 0xDC00)
            ++i;
        z[k++] = tab[c];
    }
    ziel.resize(alt + k);
}

}  // namespace

QByteArray alsWindows1252(QStringView text)
{
    QByteArray b;
    anhaengen(b, text);
    return b;
}

// --- writer ----------------------------------------------------------------

Schreibfehler::Schreibfehler(const QString& meldung)
    : std::runtime_error(meldung.toStdString()), meldung_(meldung)
{
}

Schreiber::Schreiber(const QString& pfad)
    : name_(QDir::toNativeSeparators(QFileInfo(pfad).absoluteFilePath())),
      datei_(std::make_unique<QSaveFile>(pfad)),
      geraet_(datei_.get())
{
}

Schreiber::Schreiber(QIODevice* geraet, const QString& anzeigename) : name_(anzeigename), geraet_(geraet) {}

Schreiber::~Schreiber()
{
    if (offen_)
        verwerfen();
}

void Schreiber::fehler(const QString& was)
{
    const QString grund = geraet_->errorString();
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
        // The per-user data directory may not exist yet.
        QDir().mkpath(QFileInfo(datei_->fileName()).absolutePath());
        // Unbuffered: our own 64 KB blocks go straight to the file, and a
        // full disk shows at the write that hit it.
        if (!datei_->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fehler(QStringLiteral("kann nicht angelegt werden"));
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
    if (puffer_.isEmpty())
        return;
    if (geraet_->write(puffer_) != puffer_.size())
        fehler(QStringLiteral("kann nicht geschrieben werden"));
    puffer_.clear();
}

void Schreiber::zeile(QStringView text)
{
    if (!offen_)
        throw Schreibfehler(QStringLiteral("Das Protokoll \"%1\" ist nicht geöffnet.").arg(name_));
    anhaengen(puffer_, text);
    puffer_.append("\r\n", 2);
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

QString protokollPfadDiesesProgramms()
{
    return protokollPfad(QCoreApplication::applicationDirPath(),
                         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                         verzeichnisBeschreibbar);
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
