// zelk-feldspur-suche: searches tables of Access databases like the window
// does and writes the same protocol, to standard output unless a file is
// given. See hilfetext() in Aufruf.cpp and zelk-feldspur-suche.1.

#include "Aufruf.h"
#include "Ausgabe.h"
#include "Dateisammlung.h"
#include "Datenzugriff.h"
#include "Leser.h"
#include "Mehrfachsuche.h"
#include "Protokoll.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <QStringEncoder>
#include <QThread>

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <memory>

namespace {

using namespace Kommandozeile;

void ausgeben(std::FILE* ziel, const QString& text)
{
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, std::size_t(b.size()), ziel);
    std::fflush(ziel);
}

// The progress line on a terminal: file and table, how many tables and
// records so far, the records per second once a second has passed; a few
// times a second, cleared before a message.
class Fortschritt {
public:
    explicit Fortschritt(bool aktiv) : aktiv_(aktiv) { uhr_.start(); }

    void tabelle(const QString& datei, const QString& tabelle)
    {
        gesamt_ += satz_;
        satz_ = 0;
        ++tabellen_;
        ort_ = einzeilig(QFileInfo(datei).fileName()) + QStringLiteral(": ") + einzeilig(tabelle);
        zeigen(true);  // every table, however small, shows the run moving on
    }
    void saetze(double satz)
    {
        satz_ = satz;
        zeigen(false);
    }
    void loeschen()
    {
        if (aktiv_ && sichtbar_)
            std::fputs("\r\033[K", stderr);
        sichtbar_ = false;
    }

private:
    void zeigen(bool immer)
    {
        if (!aktiv_ || (!immer && letzte_.isValid() && letzte_.elapsed() < 200))
            return;
        letzte_.start();
        const double sekunden = double(uhr_.elapsed()) / 1000.0;
        QString zeile = QStringLiteral("%1  Satz %2 · Tabelle %3 · %4 Sätze bisher")
                            .arg(ort_, Protokoll::zaehlerText(satz_), QString::number(tabellen_),
                                 Protokoll::zaehlerText(gesamt_ + satz_));
        if (sekunden >= 1.0)
            zeile += QStringLiteral(" · %1 Sätze/s").arg(Protokoll::zaehlerText(double(qint64((gesamt_ + satz_) / sekunden))));
        winsize w{};
        const int breite = ioctl(STDERR_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_col > 10 ? w.ws_col - 1 : 79;
        if (zeile.size() > breite)
            zeile = QStringLiteral("…") + zeile.right(breite - 1);
        ausgeben(stderr, QStringLiteral("\r\033[K") + zeile);
        sichtbar_ = true;
    }

    bool aktiv_;
    bool sichtbar_ = false;
    QElapsedTimer uhr_, letzte_;
    QString ort_;
    double satz_ = 0, gesamt_ = 0;
    int tabellen_ = 0;
};

// Text lines in the locale's encoding with LF, JSON in UTF-8, in blocks.
class Standardausgabe {
public:
    explicit Standardausgabe(bool utf8)
    {
        const char* codeset = std::setlocale(LC_CTYPE, nullptr) ? nl_langinfo(CODESET) : nullptr;
        QString name;
        for (const char* v : {"LC_ALL", "LC_CTYPE", "LANG"})
            if (name.isEmpty())
                name = qEnvironmentVariable(v);
        const QString kodierung = utf8 ? QStringLiteral("UTF-8") : ausgabeKodierung(QString::fromLatin1(codeset ? codeset : ""), name);
        if (kodierung != QLatin1String("UTF-8"))
            kodierer_ = std::make_unique<QStringEncoder>(kodierung.toLatin1().constData(), QStringEncoder::Flag::Default);
        if (kodierer_ && !kodierer_->isValid())
            kodierer_.reset();
    }
    ~Standardausgabe() { leeren(); }

    void text(QStringView z)
    {
        if (kodierer_) {
            kodierer_->resetState();
            // Qt's converters put SUB (0x1A) for a character the encoding
            // lacks; the text holds no control character of its own (they
            // are escaped), so each one is such a gap: '?' as in the protocol.
            QByteArray b = kodierer_->encode(z);
            puffer_ += b.replace('\x1a', '?');
        } else {
            // Straight into the buffer: at most three bytes for each UTF-16 unit.
            const qsizetype alt = puffer_.size();
            puffer_.resize(alt + 3 * z.size());
            char* ende = utf8_.appendToBuffer(puffer_.data() + alt, z);
            puffer_.truncate(ende - puffer_.constData());
        }
        puffer_ += '\n';
        if (puffer_.size() > 64 * 1024)
            leeren();
    }
    void json(const QByteArray& z)
    {
        puffer_ += z;
        puffer_ += '\n';
        if (puffer_.size() > 64 * 1024)
            leeren();
    }
    // False when standard output could not take it all.
    bool leeren()
    {
        std::fwrite(puffer_.constData(), 1, std::size_t(puffer_.size()), stdout);
        puffer_.truncate(0);  // keeps the room
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    }

private:
    std::unique_ptr<QStringEncoder> kodierer_;
    QStringEncoder utf8_{QStringEncoder::Utf8};
    QByteArray puffer_;
};

bool protokollAufStandardausgabe(const Aufruf& a)
{
    return a.protokollDatei.isEmpty() && a.form == Form::Protokoll && !a.still && !a.nurDateinamen && !a.zaehlen;
}

std::unique_ptr<Protokoll::Schreiber> schreiberFuer(const Aufruf& a, QIODevice& standardausgabe)
{
    if (!a.protokollDatei.isEmpty())
        return std::make_unique<Protokoll::Schreiber>(a.protokollDatei);
    if (!protokollAufStandardausgabe(a))
        return std::make_unique<Protokoll::Schreiber>(nullptr, QStringLiteral("Standardausgabe"));  // another form there
    auto s = std::make_unique<Protokoll::Schreiber>(&standardausgabe, QStringLiteral("Standardausgabe"));
    if (a.utf8)
        s->setzeKodierung(Protokoll::CodepageUtf8, QByteArrayLiteral("\n"));
    return s;
}

bool farbig(const Aufruf& a)
{
    if (a.farbe == Farbe::Auto)
        return isatty(STDOUT_FILENO) == 1 && qEnvironmentVariable("TERM") != QLatin1String("dumb");
    return a.farbe == Farbe::Immer;
}

Datenzugriff::Connection::LeserFabrik leserFabrik(const Aufruf& a)
{
    // The same reader process as the window; --im-prozess reads here.
    if (a.imProzess)
        return [] { return Datenzugriff::erzeugeMdbLeser(); };
    return [] { return Datenzugriff::erzeugeProzessLeser(); };
}

// As many files at once as there are cores, each through its own reader
// process; ZF_SUCHE_DATEIEN sets another number (1: one after the other).
// The reader inside this process (--im-prozess) reads one file at a time.
int dateienGleichzeitig(const Aufruf& a)
{
    if (a.imProzess)
        return 1;
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ZF_SUCHE_DATEIEN", &ok);
    if (ok && n > 0)
        return std::min(n, 64);
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}

int suchen(const Aufruf& a)
{
    const std::vector<Fundstelle> dateien = dateienSammeln(a.pfade, a.rekursiv);
    QFile standardausgabe;
    const std::unique_ptr<Protokoll::Schreiber> protokoll = schreiberFuer(a, standardausgabe);
    QStringList durchsucht;
    for (const Fundstelle& f : dateien)
        durchsucht << f.pfad;
    protokoll->setzeDurchsuchteDateien(durchsucht);
    if (protokollAufStandardausgabe(a))
        standardausgabe.open(stdout, QIODevice::WriteOnly);
    Standardausgabe text(a.utf8);
    // Standard output carries no other form beside --protokoll unless asked.
    Ausgabe::Ziel ziel;
    if (a.protokollDatei.isEmpty() || a.formGewaehlt) {
        ziel.text = [&text](QStringView z) { text.text(z); };
        ziel.json = [&text](const QByteArray& z) { text.json(z); };
    }
    Ausgabe ausgabe(a, mehrereTabellen(a), farbig(a), ziel);
    const bool terminal = isatty(STDERR_FILENO) == 1;
    Fortschritt fortschritt(terminal);
    Mehrfachsuche suche(a, *protokoll, &ausgabe, leserFabrik(a));
    suche.gleichzeitig = dateienGleichzeitig(a);
    auto melden = [&fortschritt](const QString& ort, const QString& meldung) {
        fortschritt.loeschen();
        // The lines of a message joined by CR become one line, names in it escaped.
        ausgeben(stderr, QStringLiteral("zelk-feldspur-suche: %1: %2\n").arg(einzeilig(ort, false), einzeilig(QString(meldung).replace(u'\r', u' '), false)));
    };
    suche.fehler = melden;
    suche.hinweis = melden;
    suche.tabelleBeginnt = [&fortschritt](const QString& d, const QString& t) { fortschritt.tabelle(d, t); };
    if (terminal)
        suche.saetze = [&fortschritt](double satz) { fortschritt.saetze(satz); };
    try {
        protokoll->oeffnen();
        const Bilanz bilanz = suche.laufen(dateien);
        fortschritt.loeschen();
        if (a.still && bilanz.treffer > 0) {
            // As grep -q: a hit answers, whatever else went wrong.
            protokoll->abschliessen();
            return 0;
        }
        if (bilanz.tabellen == 0 && bilanz.fehler > 0) {
            // Nothing was searched: no protocol that looks like a search without hits.
            protokoll->verwerfen();
            return 2;
        }
        protokoll->zeile(Protokoll::schlussStriche());
        protokoll->zeile(Protokoll::gesamtZeile(bilanz.treffer));
        protokoll->abschliessen();
        ausgabe.schluss(bilanz.treffer);
        if (!text.leeren()) {
            melden(QStringLiteral("Standardausgabe"), QStringLiteral("kann nicht geschrieben werden"));
            return 2;
        }
        return bilanz.fehler > 0 ? 2 : bilanz.treffer > 0 ? 0 : 1;
    } catch (const Protokoll::Schreibfehler& e) {
        protokoll->verwerfen();
        fortschritt.loeschen();
        ausgeben(stderr, QStringLiteral("zelk-feldspur-suche: %1\n").arg(einzeilig(QString(e.meldung()).replace(u'\r', u' '), false)));
        return 2;
    }
}

// --tabellen: one table a line, with its file where there are several.
int tabellenZeigen(const Aufruf& a)
{
    Standardausgabe text(a.utf8);
    Protokoll::Schreiber protokoll(nullptr, QString());
    Mehrfachsuche suche(a, protokoll, nullptr, leserFabrik(a));
    suche.fehler = [](const QString& ort, const QString& meldung) {
        ausgeben(stderr, QStringLiteral("zelk-feldspur-suche: %1: %2\n").arg(einzeilig(ort, false), einzeilig(QString(meldung).replace(u'\r', u' '), false)));
    };
    const bool mitDatei = mehrereTabellen(a);
    const Bilanz bilanz = suche.tabellenAuflisten(dateienSammeln(a.pfade, a.rekursiv), [&](const QString& datei, const QString& tabelle) {
        text.text(mitDatei ? einzeilig(datei) + u'\t' + einzeilig(tabelle) : einzeilig(tabelle));
    });
    if (!text.leeren())
        return 2;
    return bilanz.fehler > 0 ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Aufrufergebnis ergebnis = aufrufLesen(app.arguments().mid(1));
    if (!ergebnis.aufruf) {
        ausgeben(stderr, QStringLiteral("zelk-feldspur-suche: ") + ergebnis.fehler + u'\n' + kurzhilfe()
                             + QStringLiteral("Mehr mit --help.\n"));
        return 2;
    }
    if (ergebnis.aufruf->hilfe) {
        ausgeben(stdout, hilfetext());
        return 0;
    }
    if (ergebnis.aufruf->version) {
        ausgeben(stdout, QStringLiteral("zelk-feldspur-suche (ZELK-Feldspur) " ZF_VERSION "\n"));
        return 0;
    }
    if (ergebnis.aufruf->tabellenListe)
        return tabellenZeigen(*ergebnis.aufruf);
    return suchen(*ergebnis.aufruf);
}
