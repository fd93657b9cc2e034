#include "Meldung.h"

#include "Programmkennung.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Plattform {
namespace {

std::shared_ptr<Meldungen> g_meldungen;
std::shared_ptr<ProgrammEnde> g_ende;
std::shared_ptr<Bildschirm> g_bildschirm;

QMessageBox::Icon qtSymbol(Symbol s)
{
    switch (s) {
    case Symbol::Kritisch: return QMessageBox::Critical;
    case Symbol::Frage: return QMessageBox::Question;
    case Symbol::Ausruf: return QMessageBox::Warning;
    case Symbol::Information: return QMessageBox::Information;
    case Symbol::Keins: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString sichtbarerText(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

Antwort QtMeldungen::zeigen(const QString& text, Symbol symbol, Knoepfe knoepfe)
{
    QMessageBox box(qtSymbol(symbol), Programmkennung::ProductName, sichtbarerText(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    switch (knoepfe) {
    case Knoepfe::OK: box.setStandardButtons(QMessageBox::Ok); break;
    case Knoepfe::OKAbbrechen: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Knoepfe::JaNein: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Knoepfe::JaNeinAbbrechen: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case Knoepfe::WiederholenAbbrechen: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return Antwort::Abbrechen;
    case QMessageBox::Yes: return Antwort::Ja;
    case QMessageBox::No: return Antwort::Nein;
    case QMessageBox::Retry: return Antwort::Wiederholen;
    default: return knoepfe == Knoepfe::JaNein || knoepfe == Knoepfe::JaNeinAbbrechen ? Antwort::Abbrechen : Antwort::OK;
    }
}

Antwort MeldungsRecorder::zeigen(const QString& text, Symbol symbol, Knoepfe knoepfe)
{
    eintraege_.push_back({text, symbol, knoepfe});
    if (!antworten_.empty()) {
        const Antwort a = antworten_.front();
        antworten_.erase(antworten_.begin());
        return a;
    }
    switch (knoepfe) {
    case Knoepfe::JaNein:
    case Knoepfe::JaNeinAbbrechen: return Antwort::Ja;
    case Knoepfe::WiederholenAbbrechen: return Antwort::Wiederholen;
    default: return Antwort::OK;
    }
}

void EchtesProgrammEnde::beenden(int code)
{
    std::fflush(nullptr);
    std::exit(code);
}

void ProgrammEndeRecorder::beenden(int code)
{
    beendet_ = true;
    code_ = code;
    throw ProgrammBeendet(code);
}

int QtBildschirm::breiteTwips() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? pixelZuTwips(s->size().width(), punkteProZoll()) : 15 * 1024;
}

int QtBildschirm::hoeheTwips() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? pixelZuTwips(s->size().height(), punkteProZoll()) : 15 * 768;
}

double QtBildschirm::punkteProZoll() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInch() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int twipsZuPixel(int twips, double dpi) { return int(std::lround(double(twips) * dpi / TwipsProZoll)); }
int pixelZuTwips(int pixel, double dpi) { return int(std::lround(double(pixel) * TwipsProZoll / dpi)); }

Meldungen& meldungen()
{
    if (!g_meldungen)
        g_meldungen = std::make_shared<QtMeldungen>();
    return *g_meldungen;
}

ProgrammEnde& programmEnde()
{
    if (!g_ende)
        g_ende = std::make_shared<EchtesProgrammEnde>();
    return *g_ende;
}

const Bildschirm& bildschirm()
{
    if (!g_bildschirm)
        g_bildschirm = std::make_shared<QtBildschirm>();
    return *g_bildschirm;
}

void setzeMeldungen(std::shared_ptr<Meldungen> m) { g_meldungen = std::move(m); }
void setzeProgrammEnde(std::shared_ptr<ProgrammEnde> e) { g_ende = std::move(e); }
void setzeBildschirm(std::shared_ptr<Bildschirm> b) { g_bildschirm = std::move(b); }

Antwort Meldung(const QString& text, Symbol symbol, Knoepfe knoepfe) { return meldungen().zeigen(text, symbol, knoepfe); }

}  // namespace Plattform
