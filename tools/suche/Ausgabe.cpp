#include "Ausgabe.h"

#include "Protokoll.h"

#include <QLocale>

namespace Kommandozeile {

namespace {

// grep's colours: the match bold red, names magenta; \033[K keeps the
// background of a line that wraps.
const QString farbeTreffer = QStringLiteral("\033[01;31m\033[K");
const QString farbeName = QStringLiteral("\033[35m\033[K");
const QString farbeEnde = QStringLiteral("\033[m\033[K");

bool maskieren(char16_t c, bool rueckstriche)
{
    if (c >= 0x20 && c < 0x7F)  // the usual case first
        return rueckstriche && c == u'\\';
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

void einzeiligAnhaengen(QString& z, QStringView text, bool rueckstriche)
{
    qsizetype i = 0;
    while (i < text.size() && !maskieren(text[i].unicode(), rueckstriche) && !text[i].isSurrogate())
        ++i;
    z += text.left(i);
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            z += text[i];
            z += text[++i];
            continue;
        }
        if (!maskieren(c, rueckstriche) && !QChar::isSurrogate(c)) {
            z += QChar(c);
            continue;
        }
        switch (c) {
        case u'\n': z += QStringLiteral("\\n"); break;
        case u'\r': z += QStringLiteral("\\r"); break;
        case u'\t': z += QStringLiteral("\\t"); break;
        case u'\\': z += QStringLiteral("\\\\"); break;
        default:
            // A lone surrogate has no character of its own to show.
            z += c < 0x100 ? QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'))
                           : QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
}

QString einzeilig(QStringView text, bool rueckstriche)
{
    QString z;
    einzeiligAnhaengen(z, text, rueckstriche);
    return z;
}

std::vector<Stelle> fundstellen(const Suche::Suchmuster& muster, QStringView wert)
{
    std::vector<Stelle> stellen;
    const QString& m = muster.muster();
    if (m.isEmpty() || wert.size() < m.size())
        return stellen;
    const QString gefaltet = muster.falten(wert);
    const bool stern = muster.modus() == Suche::Suchmodus::Platzhalter;
    for (qsizetype p = 0; p + m.size() <= gefaltet.size();) {
        qsizetype k = 0;
        while (k < m.size() && ((stern && m[k] == u'*') || gefaltet[p + k] == m[k]))
            ++k;
        if (k == m.size()) {
            stellen.push_back({p, m.size()});
            p += m.size();
        } else {
            ++p;
        }
    }
    return stellen;
}

QString ausgabeKodierung(const QString& langinfo, const QString& localeName)
{
    QString name = langinfo;
    if (name.isEmpty() || name == QLatin1String("ANSI_X3.4-1968")) {
        // The locale is not installed (or is C): its name may still say.
        const qsizetype punkt = localeName.indexOf(u'.');
        name = punkt < 0 ? QString() : localeName.mid(punkt + 1).section(u'@', 0, 0);
    }
    const QString ohneStrich = name.toUpper().remove(u'-').remove(u'_');
    if (ohneStrich.isEmpty() || ohneStrich == QLatin1String("UTF8") || ohneStrich == QLatin1String("ASCII")
        || ohneStrich == QLatin1String("ANSIX3.41968") || ohneStrich == QLatin1String("USASCII"))
        return QStringLiteral("UTF-8");
    return name;
}

namespace {

// A JSON string: quotes, backslash and control characters escaped, a lone
// surrogate as its \u escape (UTF-8 has no form for it); the rest as is.
void jsonText(QString& z, QStringView s)
{
    z += u'"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        // Runs of plain characters at once.
        qsizetype bis = i;
        while (bis < s.size() && s[bis].unicode() >= 0x20 && s[bis] != u'"' && s[bis] != u'\\' && !s[bis].isSurrogate())
            ++bis;
        if (bis > i) {
            z += s.mid(i, bis - i);
            i = bis - 1;
            continue;
        }
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            z += s[i];
            z += s[++i];
        } else if (c == u'"' || c == u'\\') {
            z += u'\\';
            z += QChar(c);
        } else if (c == u'\n') {
            z += QStringLiteral("\\n");
        } else if (c == u'\r') {
            z += QStringLiteral("\\r");
        } else if (c == u'\t') {
            z += QStringLiteral("\\t");
        } else if (c < 0x20 || QChar::isSurrogate(c)) {
            z += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        } else {
            z += QChar(c);
        }
    }
    z += u'"';
}

}  // namespace

QByteArray jsonZeile(const QString& datei, const QString& tabelle, const Suche::Suchlauf::Treffer& t)
{
    QString z;
    z.reserve(64 + datei.size() + tabelle.size() + t.feld.size() + t.wert.size());
    z += QStringLiteral("{\"datei\":");
    jsonText(z, datei);
    z += QStringLiteral(",\"tabelle\":");
    jsonText(z, tabelle);
    z += QStringLiteral(",\"satz\":") + Protokoll::zaehlerText(t.satz) + QStringLiteral(",\"feld\":");
    jsonText(z, t.feld);
    z += QStringLiteral(",\"wert\":");
    jsonText(z, t.wert);
    if (!t.block.empty()) {
        z += QStringLiteral(",\"felder\":{");
        for (std::size_t i = 0; i < t.block.size(); ++i) {
            if (i > 0)
                z += u',';
            jsonText(z, t.block[i].name);
            z += u':';
            if (t.block[i].wert)
                jsonText(z, *t.block[i].wert);
            else
                z += QStringLiteral("null");
        }
        z += u'}';
    }
    z += u'}';
    return z.toUtf8();
}

Ausgabe::Ausgabe(const Aufruf& aufruf, bool mitOrt, bool farbig, Ziel ziel)
    : aufruf_(aufruf), mitOrt_(mitOrt), farbig_(farbig), ziel_(std::move(ziel))
{
    if (farbig_)
        muster_ = std::make_unique<Suche::Suchmuster>(
            aufruf.suchtext, aufruf.platzhalter ? Suche::Suchmodus::Platzhalter : Suche::Suchmodus::Einfach, QLocale::system());
}

void Ausgabe::tabelleBeginnt(const QString& datei, const QString& tabelle)
{
    if (datei != datei_)
        dateiGenannt_ = false;
    datei_ = datei;
    tabelle_ = tabelle;
    tabellenTreffer_ = 0;
    ort_ = farbig_ ? farbeName + einzeilig(datei_) + farbeEnde + u'\t' + farbeName + einzeilig(tabelle_) + farbeEnde
                   : einzeilig(datei_) + u'\t' + einzeilig(tabelle_);
}

void Ausgabe::wertMitFarbe(QString& z, QStringView wert) const
{
    qsizetype bis = 0;
    for (const Stelle& s : fundstellen(*muster_, wert)) {
        einzeiligAnhaengen(z, wert.mid(bis, s.anfang - bis));
        z += farbeTreffer;
        einzeiligAnhaengen(z, wert.mid(s.anfang, s.laenge));
        z += farbeEnde;
        bis = s.anfang + s.laenge;
    }
    einzeiligAnhaengen(z, wert.mid(bis));
}

// The protocol's hit line, escaped, built in one buffer: a search for "*"
// writes one for every field.
void Ausgabe::trefferZeile(double satz, QStringView feld, QStringView wert, bool markieren)
{
    zeile_.truncate(0);  // keeps the room
    if (mitOrt_) {
        zeile_ += ort_;
        zeile_ += u'\t';
    }
    Protokoll::trefferZeileAnhaengen(
        zeile_, satz, [feld](QString& z) { einzeiligAnhaengen(z, feld); },
        [&](QString& z) {
            if (markieren && farbig_)
                wertMitFarbe(z, wert);
            else
                einzeiligAnhaengen(z, wert);
        });
    ziel_.text(zeile_);
}

Weiter weiterNachTreffer(const Aufruf& aufruf, qint64 tabellenTreffer)
{
    if (aufruf.still)
        return Weiter::Ende;
    if (aufruf.nurDateinamen)
        return Weiter::NaechsteDatei;
    return aufruf.hoechstens > 0 && tabellenTreffer >= aufruf.hoechstens ? Weiter::NaechsteTabelle : Weiter::Ja;
}

Ausgabe::Weiter Ausgabe::treffer(const Suche::Suchlauf::Treffer& t)
{
    ++tabellenTreffer_;
    const Weiter weiter = weiterNachTreffer(aufruf_, tabellenTreffer_);
    if (aufruf_.still)
        return weiter;
    if (aufruf_.nurDateinamen) {
        if (!dateiGenannt_)
            ziel_.text(farbig_ ? farbeName + einzeilig(datei_) + farbeEnde : einzeilig(datei_));
        dateiGenannt_ = true;
        return weiter;
    }
    if (!aufruf_.zaehlen && aufruf_.form == Form::Json && ziel_.json) {
        ziel_.json(jsonZeile(datei_, tabelle_, t));
    } else if (!aufruf_.zaehlen && aufruf_.form == Form::Text && ziel_.text) {
        if (t.block.empty()) {
            trefferZeile(t.satz, t.feld, t.wert, true);
        } else {
            for (const Protokoll::Feldwert& f : t.block)
                trefferZeile(t.satz, f.name, f.wert ? QStringView(*f.wert) : QStringView(), f.name == t.feld);
        }
    }
    return weiter;
}

void Ausgabe::tabelleFertig()
{
    if (aufruf_.zaehlen && !aufruf_.still && !aufruf_.nurDateinamen)
        ziel_.text((mitOrt_ ? ort_ + u'\t' : QString()) + QString::number(tabellenTreffer_));
}

void Ausgabe::schluss(double gesamt)
{
    if (aufruf_.still || aufruf_.nurDateinamen || aufruf_.zaehlen || aufruf_.form != Form::Text || !ziel_.text)
        return;
    ziel_.text(Protokoll::schlussStriche());
    ziel_.text(Protokoll::gesamtZeile(gesamt));
}

}  // namespace Kommandozeile
