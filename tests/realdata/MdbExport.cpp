#include "MdbExport.h"
#include "Werttext.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

using namespace Datenzugriff;

namespace Echtdaten {

namespace {

// The one date format for date-only columns (-D) and all others (-T).
constexpr const char* DatumsFormat = "%Y-%m-%d %H:%M:%S";
constexpr const char* TagNull = "1900-01-00 00:00:00";
// libmdb converts day numbers 0 .. 1e6 only.
constexpr double LetzterTag = 1e6;
constexpr char Satzende = '\x1e', Feldende = '\x1f', Nullzeichen = '\x01';

QByteArray ausfuehren(const QString& programm, const QStringList& argumente)
{
    QProcess p;
    p.start(programm, argumente);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error((programm + u' ' + argumente.join(u' ') + QStringLiteral(" ging schief: ")
                                  + QString::fromLocal8Bit(p.readAllStandardError())).toStdString());
    return p.readAllStandardOutput();
}

// Seconds since 30.12.1899 of mdb-export's "YYYY-MM-DD HH:MM:SS"; the hour
// may be 24 (libmdb rounds the time up without carrying into the day).
std::optional<long long> mdbSekunden(const QString& s)
{
    static const QRegularExpression muster(QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)$"));
    const auto m = muster.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    auto zahl = [&](int i) { return m.capturedView(i).toLongLong(); };
    const QDate tag(int(zahl(1)), int(zahl(2)), int(zahl(3)));  // proleptic Gregorian, as libmdb counts
    if (!tag.isValid())
        return std::nullopt;
    const long long tage = QDate(1899, 12, 30).daysTo(tag);
    return tage * 86400 + zahl(4) * 3600 + zahl(5) * 60 + zahl(6);
}

// Ours the way libmdb rounds: whole days, then the fraction to the second.
long long unsereSekunden(double tage)
{
    const auto tag = static_cast<long long>(tage);
    return tag * 86400 + static_cast<long long>((tage - double(tag)) * 86400.0 + 0.5);
}

// A number as printf writes it: also nan, inf, -inf, and beyond the largest
// double (printed at 16 digits, -DBL_MAX overflows), as strtod reads it.
std::optional<double> zahlLesen(const QString& s)
{
    const QByteArray b = s.toLatin1();
    char* ende = nullptr;
    const double e = std::strtod(b.constData(), &ende);
    return ende && *ende == 0 && !b.isEmpty() ? std::optional<double>(e) : std::nullopt;
}

// Ours printed at mdb-export's precision and read back, against mdb-export's
// number read back.
bool gleicheZahl(double unser, const char* format, const QString& mdb)
{
    const auto a = zahlLesen(QString::asprintf(format, unser));
    const auto b = zahlLesen(mdb);
    if (!a || !b)
        return false;
    return *a == *b || (std::isnan(*a) && std::isnan(*b));
}

// A decimal number text without sign noise, leading and trailing zeros.
QString dezimalNormal(QString s)
{
    bool negativ = s.startsWith(u'-');
    if (negativ || s.startsWith(u'+'))
        s.remove(0, 1);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    while (s.size() > 1 && s.startsWith(u'0') && s[1] != u'.')
        s.remove(0, 1);
    if (s.startsWith(u'.'))
        s.prepend(u'0');
    if (s == QLatin1String("0"))
        negativ = false;
    return negativ ? u'-' + s : s;
}

// Our value's text in the C locale (the digits without grouping, a point,
// no trailing zeros; a GUID's groups in the stored bytes' order).
QString cText(const Wert& w) { return Werttext(QLocale::c()).text(w); }

// Rows end with Satzende, fields with Feldende, Null is Nullzeichen: none
// of them occurs in the real files' values (a row that held one would come
// out with too many columns).
MdbTabelle exportZerlegen(const QByteArray& ausgabe)
{
    MdbTabelle t;
    const QString text = QString::fromUtf8(ausgabe);
    auto zeilen = QStringView(text).split(QLatin1Char(Satzende));
    if (!zeilen.isEmpty() && zeilen.back().isEmpty())
        zeilen.removeLast();  // behind the last row's end
    for (qsizetype z = 0; z < zeilen.size(); ++z) {
        std::vector<MdbFeld> felder;
        for (QStringView f : zeilen[z].split(QLatin1Char(Feldende)))
            felder.push_back(f == QLatin1Char(Nullzeichen) ? std::nullopt : MdbFeld(f.toString()));
        if (z == 0)
            for (const MdbFeld& n : felder)
                t.spalten << n.value_or(QString());
        else
            t.zeilen.push_back(std::move(felder));
    }
    return t;
}

std::vector<MdbSpalte> schemaZerlegen(const QByteArray& ausgabe)
{
    static const QRegularExpression muster(QStringLiteral("^\\t\\[(.*)\\]\\t+(.*?),?\\s*$"), QRegularExpression::MultilineOption);
    std::vector<MdbSpalte> spalten;
    auto it = muster.globalMatch(QString::fromUtf8(ausgabe));
    while (it.hasNext()) {
        const auto m = it.next();
        spalten.push_back({m.captured(1), m.captured(2)});
    }
    return spalten;
}

Urteil ja(Abweichung a = Abweichung::Keine) { return {true, a}; }
Urteil nein() { return {false, Abweichung::Keine}; }

}  // namespace

QStringList mdbTabellen(const QString& datei)
{
    QStringList namen = QString::fromUtf8(ausfuehren(QStringLiteral(MDB_TABLES), {QStringLiteral("-1"), datei})).split(u'\n');
    namen.removeAll(QString());
    return namen;
}

MdbTabelle mdbExport(const QString& datei, const QString& tabelle)
{
    const QString format = QString::fromLatin1(DatumsFormat);
    return exportZerlegen(ausfuehren(QStringLiteral(MDB_EXPORT), {QStringLiteral("-Q"), QStringLiteral("-d"), QString(QLatin1Char(Feldende)),
                                                                  QStringLiteral("-R"), QString(QLatin1Char(Satzende)), QStringLiteral("-0"),
                                                                  QString(QLatin1Char(Nullzeichen)), QStringLiteral("-b"), QStringLiteral("hex"),
                                                                  QStringLiteral("-D"), format, QStringLiteral("-T"), format, datei, tabelle}));
}

std::vector<MdbSpalte> mdbSchema(const QString& datei, const QString& tabelle)
{
    return schemaZerlegen(ausfuehren(QStringLiteral(MDB_SCHEMA), {QStringLiteral("-T"), tabelle, datei}));
}

QString abweichungsText(Abweichung a)
{
    static const char* const texte[] = {"", "libmdb druckt Daten vor dem 30.12.1899 und nach Tag 1 000 000 (26.11.4637) als Tag 0",
                                        "libmdb druckt Text der Länge 0 als Null",
                                        "libmdb druckt Zeichen außerhalb der Basisebene (Emoji) als ??"};
    return QString::fromUtf8(texte[int(a)]);
}

Urteil vergleichen(const Wert& unser, const MdbFeld& mdb)
{
    if (!mdb) {
        if (unser.istNull())
            return ja();
        if (unser.art == WertArt::Text && unser.text.isEmpty())
            return ja(Abweichung::LeererTextAlsNull);
        return nein();
    }
    const QString& m = *mdb;
    switch (unser.art) {
    case WertArt::Null:
        return nein();
    case WertArt::Text: {
        if (unser.text == m)
            return ja();
        QString alsUcs2 = unser.text;
        for (qsizetype i = 0; i < alsUcs2.size(); ++i)
            if (alsUcs2[i].isSurrogate())
                alsUcs2[i] = u'?';
        return alsUcs2 != unser.text && alsUcs2 == m ? ja(Abweichung::SurrogatpaarAlsFragezeichen) : nein();
    }
    case WertArt::Ganzzahl: {
        bool ok = false;
        const qlonglong v = m.toLongLong(&ok);
        return ok && v == unser.ganzzahl ? ja() : nein();
    }
    case WertArt::JaNein:
        return m == (unser.janein ? QLatin1String("1") : QLatin1String("0")) ? ja() : nein();
    case WertArt::Single:
        return gleicheZahl(double(unser.single), "%.8g", m) ? ja() : nein();
    case WertArt::Double:
        return gleicheZahl(unser.dbl, "%.16g", m) ? ja() : nein();
    case WertArt::Currency: {
        // Always four decimals: the scaled integer exactly.
        static const QRegularExpression muster(QStringLiteral("^-?\\d+\\.\\d{4}$"));
        if (!muster.match(m).hasMatch())
            return nein();
        bool ok = false;
        const qlonglong v = QString(m).remove(u'.').toLongLong(&ok);
        return ok && v == unser.waehrung ? ja() : nein();
    }
    case WertArt::Decimal:
        return dezimalNormal(m) == dezimalNormal(cText(unser)) ? ja() : nein();
    case WertArt::Datum: {
        const double tage = unser.dbl;
        if (m == QLatin1String(TagNull) && (tage < 0 || tage > LetzterTag))
            return ja(Abweichung::DatumTagNull);
        const auto s = mdbSekunden(m);
        return s && tage >= 0 && tage <= LetzterTag && *s == unsereSekunden(tage) ? ja() : nein();
    }
    case WertArt::Guid: {
        // -b hex gives the hex of libmdb's GUID text.
        auto hex = [](QString g) { return g.remove(u'{').remove(u'}').remove(u'-'); };
        return hex(QString::fromLatin1(QByteArray::fromHex(m.toLatin1()))).compare(hex(cText(unser)), Qt::CaseInsensitive) == 0 ? ja() : nein();
    }
    case WertArt::Binaer:
        return m.size() == 2 * unser.binaer.size() ? ja() : nein();
    case WertArt::DatumErweitert:
        return nein();  // libmdb 1.0 cannot read it: such columns have written-down values
    }
    return nein();
}

namespace {
QString kurz(QString s)
{
    const qsizetype n = s.size();
    s.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n")).replace(u'\t', QLatin1String("\\t"));
    return u'»' + (s.size() > 80 ? s.left(80) + QStringLiteral("… (%1 Zeichen)").arg(n) : s) + u'«';
}
}  // namespace

// Ours as the C locale's value text, with its kind (and a binary value's length).
QString anzeige(const Wert& w)
{
    if (w.istNull())
        return QStringLiteral("Null");
    const QString text = w.art == WertArt::Binaer ? QStringLiteral("%1 Bytes").arg(w.binaer.size()) : cText(w);
    return kurz(text) + QStringLiteral(" (Art %1)").arg(int(w.art));
}

QString anzeige(const MdbFeld& f) { return f ? kurz(*f) : QStringLiteral("Null"); }

QString schemaTyp(const SpaltenInfo& s)
{
    static const char* const namen[] = {nullptr,  "Boolean", "Byte", "Integer",        "Long Integer", "Currency", "Single",  "Double",
                                        "DateTime", "Binary", "Text", "OLE", "Memo/Hyperlink", nullptr, nullptr, "Replication ID"};
    const int typ = int(s.jetTyp);
    if (s.jetTyp == JetTyp::Decimal)
        return QStringLiteral("Numeric (%1, %2)").arg(s.praezision).arg(s.skala);
    if (typ < 16 && namen[typ])
        return QString::fromLatin1(namen[typ]);
    return QStringLiteral("Unknown_%1").arg(typ, 4, 16, QLatin1Char('0'));
}

}  // namespace Echtdaten
