#include "Registry.h"

#include "System.h"

#include "Ansi.h"
#include "Meldung.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <stdexcept>
#include <variant>

namespace Plattform {

// ---- names and paths ----

bool regNamenGleich(const QByteArray& a, const QByteArray& b)
{
    return a.size() == b.size() && vonAnsi(a).compare(vonAnsi(b), Qt::CaseInsensitive) == 0;
}

QByteArray regPfadNormal(const QByteArray& pfad)
{
    QByteArray ergebnis;
    for (const QByteArray& teil : pfad.split('\\')) {
        if (teil.isEmpty())
            continue;
        if (!ergebnis.isEmpty())
            ergebnis += '\\';
        ergebnis += teil;
    }
    return ergebnis;
}

namespace {

QByteArray verbunden(const QByteArray& basis, const QByteArray& unter)
{
    const QByteArray u = regPfadNormal(unter);
    if (basis.isEmpty())
        return u;
    return u.isEmpty() ? basis : basis + '\\' + u;
}

// a is b or lies above it.
bool istUeber(const QByteArray& a, const QByteArray& b)
{
    if (a.size() > b.size())
        return false;
    if (a.size() == b.size())
        return regNamenGleich(a, b);
    return b[a.size()] == '\\' && regNamenGleich(a, b.left(a.size()));
}

constexpr std::array<std::pair<HKEY, const char*>, 7> wurzeln = {{
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
}};

}  // namespace

QString regWurzelName(HKEY wurzel)
{
    for (const auto& [h, name] : wurzeln)
        if (h == wurzel)
            return QString::fromLatin1(name);
    return {};
}

const RegWert* RegSchluessel::wert(const QByteArray& name) const
{
    for (const RegWert& w : werte)
        if (regNamenGleich(w.name, name))
            return &w;
    return nullptr;
}

void RegSchluessel::setzen(RegWert w)
{
    for (RegWert& vorhanden : werte)
        if (regNamenGleich(vorhanden.name, w.name)) {
            vorhanden.typ = w.typ;
            vorhanden.daten = std::move(w.daten);
            return;
        }
    werte.push_back(std::move(w));
}

const RegSchluessel* RegInhalt::finden(const QByteArray& pfad) const
{
    const QByteArray p = regPfadNormal(pfad);
    for (const RegSchluessel& s : schluessel)
        if (regNamenGleich(s.pfad, p))
            return &s;
    return nullptr;
}

bool RegInhalt::vorhanden(const QByteArray& pfad) const
{
    const QByteArray p = regPfadNormal(pfad);
    if (p.isEmpty())
        return true;
    return std::any_of(schluessel.begin(), schluessel.end(), [&](const RegSchluessel& s) { return istUeber(p, s.pfad); });
}

RegSchluessel& RegInhalt::anlegen(const QByteArray& pfad)
{
    const QByteArray p = regPfadNormal(pfad);
    if (p.isEmpty())
        throw std::invalid_argument("RegInhalt::anlegen: leerer Pfad");
    RegSchluessel* ziel = nullptr;
    QByteArray bisher;
    for (const QByteArray& teil : p.split('\\')) {
        bisher = bisher.isEmpty() ? teil : bisher + '\\' + teil;
        ziel = const_cast<RegSchluessel*>(finden(bisher));
        if (!ziel) {
            schluessel.push_back({bisher, {}});
            ziel = &schluessel.back();
        }
    }
    return *ziel;
}

// ---- file format ----
//
// WINE REGISTRY Version 2
// [Key\\Sub]
// "Name"="text"          REG_SZ: text and one terminating NUL
// "Name"=str(2):"text"   the same for another string type
// "Name"=dword:00000019  REG_DWORD of four bytes
// "Name"=hex(1):4f,44    any other data, byte for byte
// @=...                  the value without a name
// Lines starting with ';' or '#' are comments.

namespace {

constexpr const char* kopfzeile = "WINE REGISTRY Version 2";

QByteArray zitat(const QByteArray& bytes, bool nulErlaubt)
{
    QByteArray aus = "\"";
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (b == '\\' || b == '"') {
            aus += '\\';
            aus += b;
        } else if (b == 0 && nulErlaubt) {
            aus += "\\0";
        } else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0 && vonAnsi(QByteArray(1, b)).at(0).unicode() < 0xA0)) {
            aus += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else if (u >= 0x80) {
            aus += vonAnsi(QByteArray(1, b)).toUtf8();
        } else {
            aus += b;
        }
    }
    return aus + '"';
}

bool reinerText(const QByteArray& daten)
{
    return daten.endsWith('\0') && !daten.left(daten.size() - 1).contains('\0');
}

bool lesbar(const QByteArray& daten)
{
    return std::all_of(daten.begin(), daten.end(), [](char c) { return c == 0 || static_cast<unsigned char>(c) >= 0x20; });
}

QByteArray hexDaten(const QByteArray& daten, int spalte)
{
    QByteArray aus;
    for (qsizetype i = 0; i < daten.size(); ++i) {
        aus += QByteArray::number(static_cast<unsigned char>(daten[i]), 16).rightJustified(2, '0');
        spalte += 3;
        if (i + 1 < daten.size()) {
            aus += ',';
            if (spalte > 76) {
                aus += "\\\n  ";
                spalte = 2;
            }
        }
    }
    return aus;
}

}  // namespace

QByteArray regDateiText(const RegInhalt& inhalt, const QString& wurzelName)
{
    QByteArray aus = QByteArray(kopfzeile) + "\n;; " + wurzelName.toUtf8() + "\n";
    for (const RegSchluessel& s : inhalt.schluessel) {
        QByteArray kopf = zitat(s.pfad, false);
        aus += "\n[" + kopf.mid(1, kopf.size() - 2) + "]\n";
        for (const RegWert& w : s.werte) {
            const QByteArray name = w.name.isEmpty() ? QByteArray("@") : zitat(w.name, false);
            if (w.typ == REG_DWORD && w.daten.size() == 4) {
                quint32 v = 0;
                for (int i = 3; i >= 0; --i)
                    v = (v << 8) | static_cast<unsigned char>(w.daten[i]);
                aus += name + "=dword:" + QByteArray::number(v, 16).rightJustified(8, '0') + '\n';
            } else if ((w.typ == REG_SZ || w.typ == REG_EXPAND_SZ) && reinerText(w.daten)) {
                const QByteArray text = zitat(w.daten.left(w.daten.size() - 1), false);
                aus += name + '=' + (w.typ == REG_SZ ? QByteArray() : "str(" + QByteArray::number(w.typ) + "):") + text + '\n';
            } else {
                // Strings stored without their NUL, or with trailing bytes
                // after it, keep their exact length; the comment shows them.
                if ((w.typ == REG_SZ || w.typ == REG_EXPAND_SZ) && lesbar(w.daten))
                    aus += "; " + name + " = " + zitat(w.daten, true) + '\n';
                const QByteArray praefix =
                    name + (w.typ == REG_BINARY ? QByteArray("=hex:") : "=hex(" + QByteArray::number(w.typ, 16) + "):");
                aus += praefix + hexDaten(w.daten, int(praefix.size())) + '\n';
            }
        }
    }
    return aus;
}

namespace {

struct Leser {
    explicit Leser(const QString& t) : text(t) {}
    const QString& text;
    qsizetype pos = 0;
    QString fehler;

    bool ende() const { return pos >= text.size(); }
    QChar zeichen() const { return text.at(pos); }

    // A quoted string from its opening quote on.
    std::optional<QByteArray> zitat()
    {
        if (ende() || zeichen() != u'"')
            return fehlt("'\"' erwartet");
        ++pos;
        QByteArray aus;
        while (!ende() && zeichen() != u'"') {
            QChar c = zeichen();
            ++pos;
            if (c == u'\\') {
                if (ende())
                    return fehlt("Zeichenfolge endet nach '\\'");
                c = zeichen();
                ++pos;
                if (c == u'x') {
                    bool ok = false;
                    const int v = text.mid(pos, 2).toInt(&ok, 16);
                    if (!ok || text.mid(pos, 2).size() != 2)
                        return fehlt("ungültige Angabe \\x");
                    pos += 2;
                    aus += char(v);
                } else if (c == u'0') {
                    aus += '\0';
                } else if (c == u'n') {
                    aus += '\n';
                } else if (c == u'r') {
                    aus += '\r';
                } else if (c == u't') {
                    aus += '\t';
                } else if (c == u'\\' || c == u'"') {
                    aus += char(c.unicode());
                } else {
                    return fehlt("unbekannte Angabe \\" + QString(c));
                }
            } else {
                if (!ansiDarstellbar(QStringView(&c, 1)))
                    return fehlt(QStringLiteral("Zeichen U+%1 hat keinen ANSI-Code").arg(c.unicode(), 4, 16, QLatin1Char('0')));
                aus += nachAnsi(QStringView(&c, 1));
            }
        }
        if (ende())
            return fehlt("schließendes '\"' fehlt");
        ++pos;
        return aus;
    }

    std::nullopt_t fehlt(const QString& was)
    {
        fehler = was;
        return std::nullopt;
    }
};

}  // namespace

namespace {

// The data of a value after its '=': a string, str(N):, dword: or hex.
// Returns an error text, empty when w was filled.
QString wertdatenLesen(Leser& l, const QString& rest, RegWert& w)
{
    if (rest.startsWith(u'"') || rest.startsWith(QLatin1String("str("))) {
        w.typ = REG_SZ;
        if (rest.startsWith(QLatin1String("str("))) {
            const qsizetype zu = rest.indexOf(QLatin1String("):"));
            bool ok = false;
            w.typ = zu > 4 ? rest.mid(4, zu - 4).toUInt(&ok) : 0;
            if (!ok)
                return QStringLiteral("ungültiger Typ");
            l.pos += zu + 2;
        }
        const auto daten = l.zitat();
        if (!daten)
            return l.fehler;
        if (!l.ende())
            return QStringLiteral("Zeichen nach der Zeichenfolge");
        w.daten = *daten + '\0';
    } else if (rest.startsWith(QLatin1String("dword:"))) {
        const QString zahl = rest.mid(6);
        bool ok = false;
        const quint32 v = zahl.toUInt(&ok, 16);
        if (!ok || zahl.size() != 8)
            return QStringLiteral("ungültiger dword-Wert");
        w.typ = REG_DWORD;
        for (int b = 0; b < 4; ++b)
            w.daten += char((v >> (8 * b)) & 0xFF);
    } else if (rest.startsWith(QLatin1String("hex"))) {
        qsizetype doppelpunkt = rest.indexOf(u':');
        if (rest.startsWith(QLatin1String("hex:"))) {
            w.typ = REG_BINARY;
        } else if (rest.startsWith(QLatin1String("hex(")) && doppelpunkt > 5 && rest.at(doppelpunkt - 1) == u')') {
            bool ok = false;
            w.typ = rest.mid(4, doppelpunkt - 5).toUInt(&ok, 16);
            if (!ok)
                return QStringLiteral("ungültiger Typ");
        } else {
            return QStringLiteral("ungültige hex-Angabe");
        }
        const QString liste = rest.mid(doppelpunkt + 1);
        if (!liste.isEmpty())
            for (const QString& teil : liste.split(u',')) {
                bool ok = false;
                const uint v = teil.trimmed().toUInt(&ok, 16);
                if (!ok || v > 0xFF || teil.trimmed().size() != 2)
                    return QStringLiteral("ungültiges Byte \"%1\"").arg(teil);
                w.daten += char(v);
            }
    } else {
        return QStringLiteral("unbekannte Wertangabe");
    }
    return {};
}

// A value line: "name"=data or @=data. Returns an error text, empty when w was filled.
QString wertzeileLesen(const QString& kern, RegWert& w)
{
    Leser l{kern};
    if (kern.startsWith(u'@')) {
        l.pos = 1;
    } else {
        const auto name = l.zitat();
        if (!name)
            return l.fehler;
        w.name = *name;
    }
    if (l.ende() || l.zeichen() != u'=')
        return QStringLiteral("'=' erwartet");
    ++l.pos;
    return wertdatenLesen(l, kern.mid(l.pos), w);
}

// A key line [path]: the path, or an error text.
std::variant<QByteArray, QString> schluesselzeileLesen(const QString& kern)
{
    const qsizetype zu = kern.lastIndexOf(u']');
    if (zu < 0)
        return QStringLiteral("']' fehlt");
    const QString innen = u'"' + kern.mid(1, zu - 1) + u'"';
    Leser l{innen};
    const auto pfad = l.zitat();
    if (!pfad || !l.ende())
        return l.fehler.isEmpty() ? QStringLiteral("ungültiger Schlüsselname") : l.fehler;
    if (regPfadNormal(*pfad).isEmpty())
        return QStringLiteral("leerer Schlüsselname");
    return *pfad;
}

// Line i without its CR; hex data continues over lines ending in a backslash
// (i then stands on the last line taken).
QString logischeZeile(const QStringList& zeilen, qsizetype& i)
{
    auto ohneCr = [](QString z) {
        if (z.endsWith(u'\r'))
            z.chop(1);
        return z;
    };
    QString zeile = ohneCr(zeilen[i]);
    while (zeile.endsWith(u'\\') && zeile.contains(QLatin1String("=hex")) && i + 1 < zeilen.size()) {
        zeile.chop(1);
        zeile += ohneCr(zeilen[++i]).trimmed();
    }
    return zeile;
}

}  // namespace

std::optional<RegInhalt> regDateiLesen(const QByteArray& roh, QString* fehler)
{
    auto melden = [&](int zeile, const QString& was) -> std::optional<RegInhalt> {
        if (fehler)
            *fehler = QStringLiteral("Zeile %1: %2").arg(zeile).arg(was);
        return std::nullopt;
    };
    const QString text = QString::fromUtf8(roh);
    if (text.toUtf8() != roh)
        return melden(1, QStringLiteral("kein gültiges UTF-8"));
    const QStringList zeilen = text.split(u'\n');
    const QString kopfFehlt = QStringLiteral("Kopfzeile \"%1\" fehlt").arg(QLatin1String(kopfzeile));
    RegInhalt inhalt;
    RegSchluessel* aktuell = nullptr;
    bool kopfGesehen = false;
    for (qsizetype i = 0; i < zeilen.size(); ++i) {
        const int nummer = int(i + 1);
        const QString kern = logischeZeile(zeilen, i).trimmed();
        if (kern.isEmpty() || kern.startsWith(u';') || kern.startsWith(u'#'))
            continue;
        if (!kopfGesehen) {
            if (kern != QLatin1String(kopfzeile))
                return melden(nummer, kopfFehlt);
            kopfGesehen = true;
        } else if (kern.startsWith(u'[')) {
            const auto pfad = schluesselzeileLesen(kern);
            if (const QString* f = std::get_if<QString>(&pfad))
                return melden(nummer, *f);
            aktuell = &inhalt.anlegen(std::get<QByteArray>(pfad));
        } else if (!aktuell) {
            return melden(nummer, QStringLiteral("Wert vor dem ersten Schlüssel"));
        } else {
            RegWert w;
            const QString f = wertzeileLesen(kern, w);
            if (!f.isEmpty())
                return melden(nummer, f);
            aktuell->setzen(std::move(w));
        }
    }
    if (!kopfGesehen)
        return melden(1, kopfFehlt);
    return inhalt;
}

// ---- the store ----

struct RegistryDateien::Impl {
    struct Wurzel {
        bool geladen = false;
        bool beschaedigt = false;
        RegInhalt inhalt;
        RegInhalt schicht;
    };
    struct Offen {
        HKEY wurzel;
        QByteArray pfad;
        DWORD zugriff;
    };

    QString verzeichnis;
    QString schicht;
    std::map<HKEY, Wurzel> wurzeln;
    std::map<HKEY, Offen> offen;
    HKEY naechster = 0x100;

    static bool istWurzel(HKEY h) { return !regWurzelName(h).isEmpty(); }

    QString datei(HKEY w) const { return QDir(verzeichnis).filePath(regWurzelName(w) + QStringLiteral(".reg")); }
    QString schichtDatei(HKEY w) const
    {
        return schicht.isEmpty() ? QString() : QDir(schicht).filePath(regWurzelName(w) + QStringLiteral(".reg"));
    }

    const Offen* aufloesen(HKEY h, Offen& wurzelSicht) const
    {
        if (istWurzel(h)) {
            wurzelSicht = {h, {}, KEY_ALL_ACCESS};
            return &wurzelSicht;
        }
        const auto it = offen.find(h);
        return it == offen.end() ? nullptr : &it->second;
    }

    void beschaedigtMelden(const QString& pfad, const QString& grund)
    {
        Meldung(QStringLiteral("Die Registrierungsdatei") + u'\r' + QDir::toNativeSeparators(pfad) + u'\r'
                    + QStringLiteral("ist beschädigt (%1).").arg(grund) + u'\r'
                    + QStringLiteral("Sie wird nicht verändert; bitte prüfen oder entfernen Sie sie."),
                Symbol::Kritisch, Knoepfe::OK);
    }

    // A missing file is an empty one; false for a damaged file, reported.
    bool dateiLesen(const QString& pfad, RegInhalt& ziel)
    {
        ziel = {};
        if (pfad.isEmpty() || !QFileInfo::exists(pfad))
            return true;
        QFile f(pfad);
        if (!f.open(QIODevice::ReadOnly)) {
            beschaedigtMelden(pfad, QStringLiteral("nicht lesbar: ") + f.errorString());
            return false;
        }
        QString fehler;
        auto gelesen = regDateiLesen(f.readAll(), &fehler);
        if (!gelesen) {
            beschaedigtMelden(pfad, fehler);
            return false;
        }
        ziel = std::move(*gelesen);
        return true;
    }

    Wurzel& laden(HKEY w)
    {
        Wurzel& z = wurzeln[w];
        if (!z.geladen) {
            z.geladen = true;
            z.beschaedigt = !dateiLesen(schichtDatei(w), z.schicht) || !dateiLesen(datei(w), z.inhalt);
        }
        return z;
    }

    bool beschreibbar(HKEY w) const
    {
        if (!QDir().mkpath(verzeichnis) || !QFileInfo(verzeichnis).isWritable())
            return false;
        const QFileInfo f(datei(w));
        return !f.exists() || f.isWritable();
    }

    template <typename F>
    LONG aendern(HKEY w, F&& aenderung)
    {
        Wurzel& z = laden(w);
        if (z.beschaedigt)
            return ERROR_REGISTRY_CORRUPT;
        if (!beschreibbar(w))
            return ERROR_ACCESS_DENIED;
        const QString pfad = datei(w);
        QLockFile sperre(pfad + QStringLiteral(".lock"));
        if (!sperre.tryLock(10000))
            return sperre.error() == QLockFile::LockFailedError ? ERROR_LOCK_VIOLATION : ERROR_ACCESS_DENIED;
        // Another running copy may have written since we read.
        RegInhalt neu;
        if (!dateiLesen(pfad, neu)) {
            z.beschaedigt = true;
            return ERROR_REGISTRY_CORRUPT;
        }
        aenderung(neu);
        QSaveFile aus(pfad);
        if (!aus.open(QIODevice::WriteOnly))
            return ERROR_ACCESS_DENIED;
        const QByteArray text = regDateiText(neu, regWurzelName(w));
        if (aus.write(text) != text.size() || !aus.commit())
            return ERROR_ACCESS_DENIED;
        z.inhalt = std::move(neu);
        return ERROR_SUCCESS;
    }

    HKEY neuerHandle(HKEY w, QByteArray pfad, DWORD zugriff)
    {
        const HKEY h = naechster;
        naechster += 4;
        offen[h] = {w, std::move(pfad), zugriff};
        return h;
    }
};

RegistryDateien::RegistryDateien(QString verzeichnis, QString schicht) : d(std::make_unique<Impl>())
{
    d->verzeichnis = std::move(verzeichnis);
    d->schicht = std::move(schicht);
}

RegistryDateien::~RegistryDateien() = default;

QString RegistryDateien::datei(HKEY wurzel) const { return d->datei(wurzel); }
QString RegistryDateien::schichtDatei(HKEY wurzel) const { return d->schichtDatei(wurzel); }

LONG RegistryDateien::RegOpenKeyExA(HKEY key, const QByteArray& subKey, DWORD, DWORD samDesired, HKEY* ergebnis)
{
    Impl::Offen sicht;
    const Impl::Offen* o = d->aufloesen(key, sicht);
    if (!o || !ergebnis)
        return o ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    Impl::Wurzel& z = d->laden(o->wurzel);
    if (z.beschaedigt)
        return ERROR_REGISTRY_CORRUPT;
    const QByteArray pfad = verbunden(o->pfad, subKey);
    if (!z.inhalt.vorhanden(pfad) && !z.schicht.vorhanden(pfad))
        return ERROR_FILE_NOT_FOUND;
    if ((samDesired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !d->beschreibbar(o->wurzel))
        return ERROR_ACCESS_DENIED;
    *ergebnis = d->neuerHandle(o->wurzel, pfad, samDesired);
    return ERROR_SUCCESS;
}

LONG RegistryDateien::RegQueryValueExA(HKEY key, const QByteArray& valueName, DWORD* type, char* data, DWORD* cbData)
{
    Impl::Offen sicht;
    const Impl::Offen* o = d->aufloesen(key, sicht);
    if (!o)
        return ERROR_INVALID_HANDLE;
    if (!(o->zugriff & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (data && !cbData)
        return ERROR_INVALID_PARAMETER;
    Impl::Wurzel& z = d->laden(o->wurzel);
    if (z.beschaedigt)
        return ERROR_REGISTRY_CORRUPT;
    const RegWert* w = nullptr;
    if (const RegSchluessel* s = z.inhalt.finden(o->pfad))
        w = s->wert(valueName);
    if (!w)
        if (const RegSchluessel* s = z.schicht.finden(o->pfad))
            w = s->wert(valueName);
    if (!w)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = w->typ;
    const auto groesse = DWORD(w->daten.size());
    if (!data) {
        if (cbData)
            *cbData = groesse;
        return ERROR_SUCCESS;
    }
    if (*cbData < groesse) {
        *cbData = groesse;
        return ERROR_MORE_DATA;
    }
    if (groesse)
        std::memcpy(data, w->daten.constData(), groesse);
    *cbData = groesse;
    return ERROR_SUCCESS;
}

LONG RegistryDateien::RegCreateKeyA(HKEY key, const QByteArray& subKey, HKEY* ergebnis)
{
    Impl::Offen sicht;
    const Impl::Offen* o = d->aufloesen(key, sicht);
    if (!o || !ergebnis)
        return o ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE;
    const HKEY wurzel = o->wurzel;
    const QByteArray pfad = verbunden(o->pfad, subKey);
    Impl::Wurzel& z = d->laden(wurzel);
    if (z.beschaedigt)
        return ERROR_REGISTRY_CORRUPT;
    if (!d->beschreibbar(wurzel))
        return ERROR_ACCESS_DENIED;
    if (!pfad.isEmpty() && !z.inhalt.finden(pfad)) {
        const LONG r = d->aendern(wurzel, [&](RegInhalt& inhalt) { inhalt.anlegen(pfad); });
        if (r != ERROR_SUCCESS)
            return r;
    }
    *ergebnis = d->neuerHandle(wurzel, pfad, KEY_ALL_ACCESS);
    return ERROR_SUCCESS;
}

LONG RegistryDateien::RegSetValueExA(HKEY key, const QByteArray& valueName, DWORD type, const char* data, DWORD cbData)
{
    Impl::Offen sicht;
    const Impl::Offen* o = d->aufloesen(key, sicht);
    if (!o)
        return ERROR_INVALID_HANDLE;
    if (!(o->zugriff & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (!data && cbData)
        return ERROR_INVALID_PARAMETER;
    // Values of a root itself are refused, as HKEY_LOCAL_MACHINE does.
    if (o->pfad.isEmpty())
        return ERROR_ACCESS_DENIED;
    const QByteArray pfad = o->pfad;
    const QByteArray daten = cbData ? QByteArray(data, qsizetype(cbData)) : QByteArray();
    return d->aendern(o->wurzel, [&](RegInhalt& inhalt) {
        inhalt.anlegen(pfad).setzen({valueName, type, daten});
    });
}

LONG RegistryDateien::RegCloseKey(HKEY key)
{
    if (Impl::istWurzel(key))
        return ERROR_SUCCESS;
    return d->offen.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

QString RegistryDateien::standardVerzeichnis()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("Registry"));
}

QString RegistryDateien::programmSchicht()
{
    return QDir(betriebssystem().datenverzeichnis()).filePath(QStringLiteral("Registry"));
}

namespace {
std::shared_ptr<Registry> g_registry;
}

Registry& registry()
{
    if (!g_registry)
        g_registry = std::make_shared<RegistryDateien>(RegistryDateien::standardVerzeichnis(), RegistryDateien::programmSchicht());
    return *g_registry;
}

void setzeRegistry(std::shared_ptr<Registry> r) { g_registry = std::move(r); }

}  // namespace Plattform
