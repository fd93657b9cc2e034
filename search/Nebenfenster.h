#pragma once

// The windows the main window opens and closes; the program gives it one.
class Nebenfenster {
public:
    virtual ~Nebenfenster() = default;
    virtual void feldauswahlZeigen() = 0;      // load a fresh field selection mask and show it
    virtual void feldauswahlEntladen() = 0;    // unload the mask, hidden or visible
    virtual void tabelleninhaltZeigen() = 0;   // show the table content window
    virtual void tabelleninhaltEntladen() = 0; // unload it
};
