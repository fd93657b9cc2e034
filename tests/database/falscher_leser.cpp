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
//   textkurz.mdb       the same with the text shorter than its bytes
//   ausnahme.mdb       every request after the open is of no known kind: an exception in the reader service
//   fremd.mdb          after the open, the reader's next page read throws something that is no std::exception
//   zeilen.mdb         blocks and ranges bring one row more than asked for
//   spaeter.mdb        the same from the second block on
//   breite.mdb         cursors have the first column only, blocks one row
//
// The files of the answers by hand and ausnahme.mdb are not read (they may
// hold anything); any other file is read as the real reader process reads
// it. The faults of blocks and cursors are requests changed on their way to
// the real reader.

#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"
#include "Leserdienst.h"

#include <QFileInfo>
#include <QMap>
#include <QtEndian>
#include <QStringList>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

using namespace Datenzugriff;
namespace P = Datenzugriff::Protokoll;
using namespace Qt::StringLiterals;

namespace {

int g_aus = -1;

QByteArray i32(std::int32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); }
// A frame's head: its length (the kind included) and its kind.
QByteArray kopf(std::uint32_t laenge, std::uint8_t art) { return i32(std::int32_t(laenge)) + char(art); }

// The answer to the request after the open, by hand.
void falschAntworten(const QString& art)
{
    const auto gut = std::uint8_t(P::Antwort::Gut), fehler = std::uint8_t(P::Antwort::Fehler);
    P::Schreiber zulang;  // a catalogue with bytes behind it
    zulang.katalog({});
    zulang.i32(7);
    const auto [p, n] = zulang.antwort(gut);
    const QMap<QString, QByteArray> antworten = {
        {u"muell"_s, kopf(13, gut) + QByteArray("\x40\x42\x0f\x00\x05\0\0\0T\0A\0", 12)},  // a million entries in twelve bytes
        {u"zulang"_s, QByteArray(p, qsizetype(n))},
        {u"abgeschnitten"_s, kopf(1000, gut) + "0123456789"},
        {u"riesig"_s, kopf(0x7fffffffu, gut)},
        {u"schweigt"_s, kopf(512u * 1024 * 1024, gut)},
        {u"art"_s, kopf(1, 9)},
        // Error texts of 400 characters of which two come, of 5 characters in 6 bytes.
        {u"fehlerkaputt"_s, kopf(13, fehler) + i32(FehlerBeschaedigt) + i32(400) + QByteArray("a\0b\0", 4)},
        {u"textkurz"_s, kopf(15, fehler) + i32(FehlerBeschaedigt) + i32(5) + QByteArray("a\0b\0c\0", 6)},
    };
    const QByteArray antwort = antworten.value(art);
    if (::write(g_aus, antwort.constData(), std::size_t(antwort.size())) != ssize_t(antwort.size()))
        std::_Exit(4);
    if (art == u"abgeschnitten"_s || art == u"stirbt"_s)
        std::_Exit(art == u"stirbt"_s ? 5 : 0);
    if (art == u"schweigt"_s)
        ::sleep(60);
    if (art == u"getoetet"_s)
        ::kill(::getpid(), SIGKILL);
}

}  // namespace

int main()
{
    g_aus = ::dup(1);
    ::dup2(2, 1);
    Leserkanal kanal(0, g_aus);
    QString art;
    bool offen = false;
    int bloecke = 0;
    const auto leser = erzeugeKodierendenMdbLeser([&] {
        if (offen && art == QLatin1String("fremd"))
            throw 42;
    });
    Leserdienst dienst(*leser, kanal);
    const QStringList vonHand = {"muell", "zulang", "abgeschnitten", "riesig", "schweigt", "art", "stirbt", "getoetet", "fehlerkaputt", "textkurz"};
    QByteArray anfrage;
    while (kanal.anfrageLesen(anfrage)) {
        // Request: the kind, then its values (a cursor's i32 first).
        const auto auftrag = P::Auftrag(anfrage.at(0));
        if (auftrag == P::Auftrag::Oeffnen) {
            art = QFileInfo(P::Entnehmer(anfrage.constData() + 1, std::size_t(anfrage.size() - 1)).text()).completeBaseName();
            offen = false;
            bloecke = 0;
            if (vonHand.contains(art) || art == QLatin1String("ausnahme")) {  // opened without reading the file
                P::Schreiber leer;
                kanal.senden(P::Antwort::Gut, leer);
                continue;
            }
        } else if (vonHand.contains(art)) {
            falschAntworten(art);
            continue;
        } else if (art == QLatin1String("ausnahme")) {
            anfrage[0] = char(0xff);  // a request of no known kind: the reader service throws
        }
        const bool mehr = art == QLatin1String("zeilen") || (art == QLatin1String("spaeter") && auftrag == P::Auftrag::Block && ++bloecke > 1);
        char* p = anfrage.data();
        if (auftrag == P::Auftrag::Block)  // cursor, most rows
            qToLittleEndian<qint32>(art == QLatin1String("breite") ? 1 : qFromLittleEndian<qint32>(p + 5) + (mehr ? 1 : 0), p + 5);
        if (auftrag == P::Auftrag::Bereich && mehr)  // cursor, first row (i64), rows
            qToLittleEndian<qint32>(qFromLittleEndian<qint32>(p + 13) + 1, p + 13);
        if (auftrag == P::Auftrag::CursorOeffnen && art == QLatin1String("breite")) {  // table, columns, each column
            const qsizetype anzahl = 1 + 4 + 2 * qsizetype(qFromLittleEndian<qint32>(p + 1));
            qToLittleEndian<qint32>(1, p + anzahl);
            anfrage.truncate(anzahl + 8);
        }
        dienst.bearbeiten(anfrage.constData(), std::size_t(anfrage.size()));
        offen = offen || auftrag == P::Auftrag::Oeffnen;
    }
    return 0;
}
