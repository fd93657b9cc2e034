// zelk-feldspur-suche: searches tables of Access databases like the window
// does and writes the same protocol, to standard output unless a file is
// given. See hilfetext() in Aufruf.cpp and zelk-feldspur-suche.1.

#include "Aufruf.h"
#include "Dateisammlung.h"
#include "Datenzugriff.h"
#include "Leser.h"
#include "Mehrfachsuche.h"
#include "Protokoll.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/ioctl.h>
#include <unistd.h>

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

// The progress line on a terminal: file, table, records and records per
// second over the whole run, a few times a second, cleared before a message.
class Fortschritt {
public:
    explicit Fortschritt(bool aktiv) : aktiv_(aktiv) { uhr_.start(); }

    void tabelle(const QString& datei, const QString& tabelle)
    {
        gesamt_ += satz_;
        satz_ = 0;
        ort_ = QFileInfo(datei).fileName() + QStringLiteral(": ") + tabelle;
        zeigen();
    }
    void saetze(double satz)
    {
        satz_ = satz;
        if (letzte_.isValid() && letzte_.elapsed() < 200)
            return;
        zeigen();
    }
    void loeschen()
    {
        if (aktiv_ && sichtbar_)
            std::fputs("\r\033[K", stderr);
        sichtbar_ = false;
    }

private:
    void zeigen()
    {
        if (!aktiv_)
            return;
        letzte_.start();
        const double sekunden = double(uhr_.elapsed()) / 1000.0;
        const double proSekunde = sekunden > 0.05 ? (gesamt_ + satz_) / sekunden : 0.0;
        QString zeile = QStringLiteral("%1  %2 Sätze  %3 Sätze/s")
                            .arg(ort_, Protokoll::zaehlerText(satz_), Protokoll::zaehlerText(double(qint64(proSekunde))));
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
};

std::unique_ptr<Protokoll::Schreiber> schreiberFuer(const Aufruf& a, QFile& standardausgabe)
{
    if (!a.protokollDatei.isEmpty())
        return std::make_unique<Protokoll::Schreiber>(a.protokollDatei);
    standardausgabe.open(stdout, QIODevice::WriteOnly);
    auto s = std::make_unique<Protokoll::Schreiber>(&standardausgabe, QStringLiteral("Standardausgabe"));
    if (a.utf8)
        s->setzeKodierung(Protokoll::CodepageUtf8, QByteArrayLiteral("\n"));
    return s;
}

int suchen(const Aufruf& a)
{
    QFile standardausgabe;
    const std::unique_ptr<Protokoll::Schreiber> protokoll = schreiberFuer(a, standardausgabe);
    const bool terminal = isatty(STDERR_FILENO) == 1;
    Fortschritt fortschritt(terminal);
    // The same reader process as the window; --im-prozess reads here.
    Mehrfachsuche suche(a, *protokoll,
                        a.imProzess ? Datenzugriff::Connection::LeserFabrik([] { return Datenzugriff::erzeugeMdbLeser(); })
                                    : Datenzugriff::Connection::LeserFabrik([] { return Datenzugriff::erzeugeProzessLeser(); }));
    auto melden = [&fortschritt](const QString& ort, const QString& meldung) {
        fortschritt.loeschen();
        QString text = meldung;
        text.replace(u'\r', u' ');
        ausgeben(stderr, QStringLiteral("zelk-feldspur-suche: %1: %2\n").arg(ort, text));
    };
    suche.fehler = melden;
    suche.hinweis = melden;
    suche.tabelleBeginnt = [&fortschritt](const QString& d, const QString& t) { fortschritt.tabelle(d, t); };
    if (terminal)
        suche.saetze = [&fortschritt](double satz) { fortschritt.saetze(satz); };
    try {
        protokoll->oeffnen();
        const Bilanz bilanz = suche.laufen(dateienSammeln(a.pfade, a.rekursiv));
        fortschritt.loeschen();
        if (bilanz.tabellen == 0 && bilanz.fehler > 0) {
            // Nothing was searched: no protocol that looks like a search without hits.
            protokoll->verwerfen();
            return 2;
        }
        protokoll->zeile(Protokoll::schlussStriche());
        protokoll->zeile(Protokoll::gesamtZeile(bilanz.treffer));
        protokoll->abschliessen();
        return bilanz.fehler > 0 ? 2 : bilanz.treffer > 0 ? 0 : 1;
    } catch (const Protokoll::Schreibfehler& e) {
        protokoll->verwerfen();
        melden(protokoll->anzeigename(), e.meldung());
        return 2;
    }
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
    return suchen(*ergebnis.aufruf);
}
