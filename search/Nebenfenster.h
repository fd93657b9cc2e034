#pragma once

#include <QString>

#include <cstdint>

// The windows the main window opens and closes; the program gives it one.
class Nebenfenster {
public:
    virtual ~Nebenfenster() = default;
    virtual void feldauswahlZeigen() = 0;      // load a fresh field selection mask and show it
    virtual void feldauswahlEntladen() = 0;    // unload the mask, hidden or visible
    virtual void tabelleninhaltZeigen() = 0;   // show the table content window
    // show it with record satz (from 1) selected and the cell of feld in view
    virtual void tabelleninhaltBeiSatzZeigen(std::int64_t satz, const QString& feld) = 0;
    virtual void tabelleninhaltEntladen() = 0; // unload it
};
