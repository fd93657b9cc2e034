// A reader process that goes wrong on purpose, for the tests of the
// program's side. The name of the file it is asked to open says how:
//
//   muell.mdb          the next answer is garbage
//   zulang.mdb         the next answer carries bytes behind its content
//   abgeschnitten.mdb  the next answer stops in the middle, the process ends
//   riesig.mdb         the next answer claims more than a gigabyte
//   schweigt.mdb       the next answer claims 512 MB and then nothing comes
//   art.mdb            the next answer is of a kind that does not exist
//   stirbt.mdb         the process ends instead of answering
//   getoetet.mdb       the process is killed instead of answering
//   fehlerkaputt.mdb   the next answer is an error whose text is cut off
//   ausnahme.mdb       the catalogue throws a std::logic_error in the reader
//   fremd.mdb          the catalogue throws something that is no std::exception
//   zeilen.mdb         blocks and ranges bring one row more than asked for
//   spaeter.mdb        the same from the second block on
//
// Any other file is read as the real reader process reads it.

#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"
#include "Leserdienst.h"

#include <QFileInfo>
#include <QStringList>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

using namespace Datenzugriff;
namespace P = Datenzugriff::Protokoll;

namespace {

int g_aus = -1;

void roh(const void* p, std::size_t n)
{
    if (::write(g_aus, p, n) != ssize_t(n))
        std::_Exit(4);
}

void kopf(std::uint32_t laenge, std::uint8_t art)
{
    roh(&laenge, 4);
    roh(&art, 1);
}

// The real reader, with faults where the file's name asks for them.
class Verfaelscher final : public KodierenderLeser {
public:
    explicit Verfaelscher(std::unique_ptr<KodierenderLeser> echt) : echt_(std::move(echt)) {}

    QString art;        // the file's base name
    bool roh = false;   // the next request is answered by hand

    void oeffnen(const QString& datei) override
    {
        art = QFileInfo(datei).completeBaseName();
        roh = QStringList{"muell", "zulang", "abgeschnitten", "riesig", "schweigt", "art", "stirbt", "getoetet", "fehlerkaputt", "textkurz"}
                  .contains(art);
        if (!roh && art != QLatin1String("ausnahme") && art != QLatin1String("fremd"))
            echt_->oeffnen(datei);
    }
    void schliessen() override { echt_->schliessen(); }
    bool offen() const override { return echt_->offen(); }
    std::vector<KatalogEintrag> katalog() override
    {
        if (art == QLatin1String("ausnahme"))
            throw std::logic_error("Katalog ohne Ende");
        if (art == QLatin1String("fremd"))
            throw 42;
        return echt_->katalog();
    }
    std::vector<SpaltenInfo> spalten(const QString& t) override { return echt_->spalten(t); }
    std::int64_t gespeicherteZeilenanzahl(const QString& t) override { return echt_->gespeicherteZeilenanzahl(t); }
    // "breite": a cursor of the first column only, whatever was asked for.
    CursorNummer cursorOeffnen(const QString& t, const std::vector<int>& a) override
    {
        return cursorOeffnen(t, a, Anteil{});
    }
    CursorNummer cursorOeffnen(const QString& t, const std::vector<int>& a, const Anteil& anteil) override
    {
        return echt_->cursorOeffnen(t, art == QLatin1String("breite") ? std::vector<int>{0} : a, anteil);
    }
    bool laufBeendet(CursorNummer c) override { return echt_->laufBeendet(c); }
    std::int64_t geloeschteZeilen(CursorNummer c) override { return echt_->geloeschteZeilen(c); }
    bool naechsterBlock(CursorNummer c, ZeilenBlock& b, int m) override { return echt_->naechsterBlock(c, b, m); }
    int blockKodieren(CursorNummer c, P::Schreiber& s, int m, std::vector<std::size_t>& e, int& sp) override
    {
        const bool zuViele = art == QLatin1String("zeilen") || (art == QLatin1String("spaeter") && ++bloecke_ > 1);
        return echt_->blockKodieren(c, s, zuViele ? m + 1 : art == QLatin1String("breite") ? 1 : m, e, sp);
    }
    int bereichKodieren(CursorNummer c, std::int64_t v, int a, P::Schreiber& s, int& sp) override
    {
        return echt_->bereichKodieren(c, v, art == QLatin1String("zeilen") ? a + 1 : a, s, sp);
    }
    void zuruecksetzen(CursorNummer c) override { echt_->zuruecksetzen(c); }
    bool zeile(CursorNummer c, std::int64_t n, std::vector<Wert>& w) override { return echt_->zeile(c, n, w); }
    int zeilenBereich(CursorNummer c, std::int64_t v, int a, ZeilenBlock& b) override { return echt_->zeilenBereich(c, v, a, b); }
    std::int64_t gezaehlteZeilen(CursorNummer c) override { return echt_->gezaehlteZeilen(c); }
    std::vector<Schaden> schaeden(CursorNummer c) override { return echt_->schaeden(c); }
    void cursorSchliessen(CursorNummer c) override { echt_->cursorSchliessen(c); }
    QString version() const override { return echt_->version(); }

private:
    std::unique_ptr<KodierenderLeser> echt_;
    int bloecke_ = 0;
};

// The answer to the request after the open, by hand.
void falschAntworten(const QString& art)
{
    if (art == QLatin1String("muell")) {
        // A catalogue of a million entries in twelve bytes.
        const char inhalt[] = {0x40, 0x42, 0x0f, 0x00, 0x05, 0, 0, 0, 'T', 0, 'A', 0};
        kopf(sizeof(inhalt) + 1, std::uint8_t(P::Antwort::Gut));
        roh(inhalt, sizeof(inhalt));
    } else if (art == QLatin1String("zulang")) {
        P::Schreiber s;
        s.katalog({});
        s.i32(7);
        const auto [p, n] = s.antwort(std::uint8_t(P::Antwort::Gut));
        roh(p, n);
    } else if (art == QLatin1String("abgeschnitten")) {
        kopf(1000, std::uint8_t(P::Antwort::Gut));
        roh("0123456789", 10);
        std::_Exit(0);
    } else if (art == QLatin1String("riesig")) {
        kopf(0x7fffffffu, std::uint8_t(P::Antwort::Gut));
    } else if (art == QLatin1String("schweigt")) {
        kopf(512u * 1024 * 1024, std::uint8_t(P::Antwort::Gut));
        ::sleep(60);
    } else if (art == QLatin1String("art")) {
        kopf(1, 9);
    } else if (art == QLatin1String("stirbt")) {
        std::_Exit(5);
    } else if (art == QLatin1String("getoetet")) {
        ::kill(::getpid(), SIGKILL);
    } else if (art == QLatin1String("fehlerkaputt")) {
        const std::int32_t nummer = FehlerBeschaedigt;
        const std::int32_t laenge = 400;  // characters, of which two come
        kopf(1 + 4 + 4 + 4, std::uint8_t(P::Antwort::Fehler));
        roh(&nummer, 4);
        roh(&laenge, 4);
        roh("a\0b\0", 4);
    } else if (art == QLatin1String("textkurz")) {
        const std::int32_t nummer = FehlerBeschaedigt;
        const std::int32_t laenge = 5;  // characters, in 6 of the 10 bytes they need
        kopf(1 + 4 + 4 + 6, std::uint8_t(P::Antwort::Fehler));
        roh(&nummer, 4);
        roh(&laenge, 4);
        roh("a\0b\0c\0", 6);
    }
}

}  // namespace

int main()
{
    g_aus = ::dup(1);
    ::dup2(2, 1);
    Leserkanal kanal(0, g_aus);
    Verfaelscher leser(erzeugeKodierendenMdbLeser({}));
    Leserdienst dienst(leser, kanal);
    QByteArray anfrage;
    while (kanal.anfrageLesen(anfrage)) {
        const bool oeffnen = anfrage.at(0) == char(P::Auftrag::Oeffnen);
        if (leser.roh && !oeffnen)
            falschAntworten(leser.art);
        else
            dienst.bearbeiten(anfrage.constData(), std::size_t(anfrage.size()));
    }
    return 0;
}
