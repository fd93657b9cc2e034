#include "Zelle.h"

#include <QStringBuilder>

namespace Gitterzelle {

using Datenzugriff::WertArt;

QString binaerHinweis(qint64 bytes, const QLocale& locale)
{
    QString groesse;
    if (bytes < 1024)
        groesse = QString::number(bytes) + (bytes == 1 ? QStringLiteral(" Byte") : QStringLiteral(" Bytes"));
    else if (bytes < 1024 * 1024)
        groesse = locale.toString(double(bytes) / 1024.0, 'f', 1) + QStringLiteral(" KB");
    else
        groesse = locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
    return QStringLiteral("(Binärdaten, ") + groesse + u')';
}

QString ersteZeile(const QString& text)
{
    const qsizetype ende = [&] {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i] == u'\r' || text[i] == u'\n')
                return i;
        return qsizetype(-1);
    }();
    if (ende < 0)
        return text;
    return text.left(ende) + QStringLiteral(" …");
}

Zelle zelleAus(const Datenzugriff::Wert& w, const Datenzugriff::Werttext& werttext, const QLocale& locale)
{
    Zelle z;
    switch (w.art) {
    case WertArt::Null:
        return z;
    case WertArt::Text:
        z.art = Art::Text;
        z.anzeige = ersteZeile(w.text);
        if (z.anzeige.size() != w.text.size())
            z.voll = w.text;
        return z;
    case WertArt::Binaer:
        z.art = Art::Binaer;
        z.anzeige = binaerHinweis(w.binaer.size(), locale);
        return z;
    default:
        z.art = Art::Zahl;
        z.anzeige = werttext.text(w);
        return z;
    }
}

QString tooltip(const Zelle& z)
{
    // Longer than a column shows at its widest.
    constexpr qsizetype Lang = 60;
    const QString& ganz = wertText(z);
    if (z.art != Art::Text || (z.voll.isEmpty() && ganz.size() <= Lang))
        return {};
    // Rich text, so that the tip wraps its lines instead of leaving the screen.
    return QStringLiteral("<p style='white-space:pre-wrap'>") + ganz.toHtmlEscaped() + QStringLiteral("</p>");
}

std::size_t groesse(const Zelle& z)
{
    return sizeof(Zelle) + std::size_t(z.anzeige.size() + z.voll.size()) * sizeof(QChar);
}

QString kopierFeld(const QString& text)
{
    bool quoten = text.startsWith(u'"');
    for (QChar c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            quoten = true;
            break;
        }
    if (!quoten)
        return text;
    QString q = text;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' % q % u'"';
}

QString tabellenText(const std::vector<std::vector<QString>>& zeilen)
{
    QString text;
    for (std::size_t z = 0; z < zeilen.size(); ++z) {
        if (z > 0)
            text += u'\n';
        for (std::size_t s = 0; s < zeilen[z].size(); ++s) {
            if (s > 0)
                text += u'\t';
            text += kopierFeld(zeilen[z][s]);
        }
    }
    return text;
}

}  // namespace Gitterzelle
