#pragma once
// The reader process's side of the messages: a request comes in, one answer
// goes out, served by an in-process reader. The rows of a cursor that is
// read in blocks are read ahead while the program works on the last block,
// in a store of that cursor's own: several cursors open on one file (the
// search's forward cursor, a grid's keyset cursor) never get each other's
// rows.

#include "Leser.h"
#include "LeserProtokoll.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace Datenzugriff {

// Frames over two file descriptors: requests are a length and a payload,
// answers a length, a kind and a payload.
class Leserkanal {
public:
    Leserkanal(int ein, int aus) : ein_(ein), aus_(aus) {}
    // The payload of the next request into anfrage; false when the program
    // closed its end or sent a length no request can have.
    bool anfrageLesen(QByteArray& anfrage);
    // Sends one answer; a program that is gone ends this process. The
    // heartbeat thread sends through it too, so a frame goes out whole.
    void senden(Protokoll::Antwort art, Protokoll::Schreiber& nachricht);

private:
    int ein_;
    int aus_;
    std::mutex senden_;
};

class Leserdienst {
public:
    Leserdienst(KodierenderLeser& leser, Leserkanal& kanal) : leser_(leser), kanal_(kanal) {}

    // Answers requests until the program closes its end; the exit code.
    int laufen();
    // Answers one request (its payload). Every failure becomes an error
    // answer with a number and a text, an unexpected one too.
    void bearbeiten(const char* anfrage, std::size_t laenge);

private:
    // Rows of one cursor, read ahead and already in the form of an answer.
    struct Vorrat {
        bool da = false;
        Protokoll::Schreiber nachricht;  // columns, rows, then the rows
        std::vector<std::size_t> enden;  // end of each row in the payload
        int spalten = 0;
        std::size_t erste = 0;  // first row not yet sent
        // Reading ahead met a damaged page: the error goes out with the
        // request that reaches it.
        bool fehler = false;
        std::int32_t nummer = 0;
        QString text;
        std::size_t zeilen() const { return enden.size(); }
        std::size_t anfang(std::size_t zeile) const { return zeile == 0 ? 8 : enden[zeile - 1]; }
    };

    // Answers the request; returns the cursor to read ahead for, or 0.
    CursorNummer antworten(Protokoll::Entnehmer& e);
    CursorNummer block(Protokoll::Entnehmer& e);
    void bereich(Protokoll::Entnehmer& e);
    void cursorOeffnen(Protokoll::Entnehmer& e);
    void zeile(Protokoll::Entnehmer& e);
    void vorratGeben(Vorrat& v, int max, int& spalten, int& zeilen);
    void vorauslesen(CursorNummer cursor);
    void fehlerSenden(std::int32_t nummer, const QString& text);

    KodierenderLeser& leser_;
    Leserkanal& kanal_;
    // Kept from answer to answer, so a block's megabytes are not allocated anew each time.
    Protokoll::Schreiber antwort_;
    std::vector<std::size_t> enden_;
    std::vector<Wert> zeile_;
    std::map<CursorNummer, Vorrat> vorraete_;
    int vorausGroesse_ = 0;  // the block size of the request that asked for reading ahead
};

}  // namespace Datenzugriff
