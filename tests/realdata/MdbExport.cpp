#include "MdbExport.h"
#include "Werttext.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>

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

// Ours the way libmdb prints a date: whole days, then the fraction rounded
// to the second, an hour of 24 not carried into the day.
QString mdbDatum(double tage)
{
    const auto tag = static_cast<long long>(tage);
    const auto s = static_cast<long long>((tage - double(tag)) * 86400.0 + 0.5);
    return QDate(1899, 12, 30).addDays(tag).toString(QStringLiteral("yyyy-MM-dd"))
         + QString::asprintf(" %02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
}

// mdb-export's decimal text in our form: no zeros behind the last digit
// after the point, zero without a sign.
QString dezimalNormal(QString s)
{
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
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
        return unser.art == WertArt::Text && unser.text.isEmpty() ? ja(Abweichung::LeererTextAlsNull) : nein();
    }
    const QString& m = *mdb;
    const QString c = unser.istNull() ? QString() : cText(unser);
    switch (unser.art) {
    case WertArt::Null:
    case WertArt::DatumErweitert:  // libmdb 1.0 cannot read it: such columns have written-down values
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
    case WertArt::Datum:
        if (unser.dbl < 0 || unser.dbl > LetzterTag)
            return m == QLatin1String(TagNull) ? ja(Abweichung::DatumTagNull) : nein();
        return m == mdbDatum(unser.dbl) ? ja() : nein();
    case WertArt::Binaer:
        return m.size() == 2 * unser.binaer.size() ? ja() : nein();
    case WertArt::Decimal:
        return dezimalNormal(m) == c ? ja() : nein();
    case WertArt::Guid: {
        // -b hex gives the hex of libmdb's GUID text, its groups 8-4-4-16.
        QString g = c;
        return m.compare(QString::fromLatin1(g.remove(g.lastIndexOf(u'-'), 1).toLatin1().toHex()), Qt::CaseInsensitive) == 0 ? ja() : nein();
    }
    default: {
        // Currency always with four decimals, numbers at mdb-export's precision.
        const quint64 betrag = unser.waehrung < 0 ? 0 - quint64(unser.waehrung) : quint64(unser.waehrung);
        const QString soll = unser.art == WertArt::Single     ? QString::asprintf("%.8g", double(unser.single))
                           : unser.art == WertArt::Double     ? QString::asprintf("%.16g", unser.dbl)
                           : unser.art == WertArt::Currency   ? QString::asprintf("%s%llu.%04llu", unser.waehrung < 0 ? "-" : "", betrag / 10000, betrag % 10000)
                           : unser.art == WertArt::JaNein     ? QString::number(int(unser.janein))
                                                              : QString::number(unser.ganzzahl);
        const auto ohneVorzeichen = [](const QString& z) { return z == QLatin1String("-0") ? QStringLiteral("0") : z; };
        return ohneVorzeichen(m) == ohneVorzeichen(soll) ? ja() : nein();  // -0 and 0 are one number
    }
    }
}

// Ours as the C locale's value text, with its kind (and a binary value's length).
QString anzeige(const Wert& w)
{
    if (w.istNull())
        return QStringLiteral("Null");
    return (w.art == WertArt::Binaer ? QStringLiteral("%1 Bytes").arg(w.binaer.size()) : cText(w)) + QStringLiteral(" (Art %1)").arg(int(w.art));
}

QString anzeige(const MdbFeld& f) { return f ? u'»' + *f + u'«' : QStringLiteral("Null"); }

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
