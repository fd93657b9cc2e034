#pragma once
// Message boxes, program end and screen size go through these seams so that
// window tests can see and steer them.

#include <QString>

#include <memory>
#include <stdexcept>
#include <vector>

namespace Plattform {

enum class Symbol { Keins, Kritisch, Frage, Ausruf, Information };
enum class Knoepfe { OK, OKAbbrechen, JaNein, JaNeinAbbrechen, WiederholenAbbrechen };
enum class Antwort { OK = 1, Abbrechen = 2, Wiederholen = 4, Ja = 6, Nein = 7 };

class Meldungen {
public:
    virtual ~Meldungen() = default;
    // text: lines may be joined by a carriage return alone; the box shows
    // them as line breaks. The title is always the product name.
    virtual Antwort zeigen(const QString& text, Symbol symbol, Knoepfe knoepfe) = 0;
};

// Modal QMessageBox.
class QtMeldungen final : public Meldungen {
public:
    Antwort zeigen(const QString& text, Symbol symbol, Knoepfe knoepfe) override;
};

// Test double: records every box and answers from a queue (OK, or the first
// button, when the queue is empty).
class MeldungsRecorder final : public Meldungen {
public:
    struct Eintrag {
        QString text;
        Symbol symbol;
        Knoepfe knoepfe;
    };
    Antwort zeigen(const QString& text, Symbol symbol, Knoepfe knoepfe) override;
    void naechsteAntwort(Antwort a) { antworten_.push_back(a); }
    const std::vector<Eintrag>& eintraege() const { return eintraege_; }
    void leeren() { eintraege_.clear(); }

private:
    std::vector<Eintrag> eintraege_;
    std::vector<Antwort> antworten_;
};

// The text as a box shows it: carriage returns become line breaks.
QString sichtbarerText(const QString& text);

class ProgrammEnde {
public:
    virtual ~ProgrammEnde() = default;
    [[noreturn]] virtual void beenden(int code) = 0;
};

// Ends the process at once.
class EchtesProgrammEnde final : public ProgrammEnde {
public:
    [[noreturn]] void beenden(int code) override;
};

// Thrown by the test double so that the sequence that ended the program
// stops where the real program would have stopped.
struct ProgrammBeendet : std::runtime_error {
    explicit ProgrammBeendet(int c) : std::runtime_error("Programm beendet"), code(c) {}
    int code;
};

class ProgrammEndeRecorder final : public ProgrammEnde {
public:
    [[noreturn]] void beenden(int code) override;
    bool beendet() const { return beendet_; }
    int code() const { return code_; }

private:
    bool beendet_ = false;
    int code_ = 0;
};

class Bildschirm {
public:
    virtual ~Bildschirm() = default;
    virtual int breiteTwips() const = 0;
    virtual int hoeheTwips() const = 0;
    virtual double punkteProZoll() const = 0;  // logical DPI
};

class QtBildschirm final : public Bildschirm {
public:
    int breiteTwips() const override;
    int hoeheTwips() const override;
    double punkteProZoll() const override;
};

class FesterBildschirm final : public Bildschirm {
public:
    FesterBildschirm(int breiteTwips, int hoeheTwips, double dpi = 96.0) : b_(breiteTwips), h_(hoeheTwips), dpi_(dpi) {}
    int breiteTwips() const override { return b_; }
    int hoeheTwips() const override { return h_; }
    double punkteProZoll() const override { return dpi_; }

private:
    int b_, h_;
    double dpi_;
};

// Twips are 1/1440 inch; at 96 DPI 15 twips make one pixel.
constexpr int TwipsProZoll = 1440;
int twipsZuPixel(int twips, double dpi);
int pixelZuTwips(int pixel, double dpi);

// The services in use; the program installs the real ones, tests their doubles.
Meldungen& meldungen();
ProgrammEnde& programmEnde();
const Bildschirm& bildschirm();
void setzeMeldungen(std::shared_ptr<Meldungen> m);
void setzeProgrammEnde(std::shared_ptr<ProgrammEnde> e);
void setzeBildschirm(std::shared_ptr<Bildschirm> b);

// Shorthand used by the windows.
Antwort Meldung(const QString& text, Symbol symbol = Symbol::Keins, Knoepfe knoepfe = Knoepfe::OK);

}  // namespace Plattform
