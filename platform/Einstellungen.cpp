#include "Einstellungen.h"

#include "Programmkennung.h"

#include <QFileDialog>
#include <QSettings>

namespace Plattform {

namespace {

constexpr auto Format = QSettings::IniFormat;
constexpr auto Bereich = QSettings::UserScope;

std::shared_ptr<Einstellungen> g_einstellungen;
std::shared_ptr<Dateidialog> g_dateidialog;

}  // namespace

QStringList DateiEinstellungen::liste(const QString& schluessel) const
{
    const QSettings s(Format, Bereich, Programmkennung::ProductName, Programmkennung::ProductName);
    return s.value(schluessel).toStringList();
}

void DateiEinstellungen::setzeListe(const QString& schluessel, const QStringList& werte)
{
    // A configuration that cannot be written costs the list, never the action.
    QSettings s(Format, Bereich, Programmkennung::ProductName, Programmkennung::ProductName);
    s.setValue(schluessel, werte);
    s.sync();
}

QStringList SpeicherEinstellungen::liste(const QString& schluessel) const
{
    const auto i = werte_.find(schluessel);
    return i == werte_.end() ? QStringList() : i->second;
}

QString QtDateidialog::oeffnen(QWidget* eltern, const QString& titel, const QString& verzeichnis, const QString& filter)
{
    return QFileDialog::getOpenFileName(eltern, titel, verzeichnis, filter);
}

QString DateidialogRecorder::oeffnen(QWidget*, const QString& titel, const QString& verzeichnis, const QString& filter)
{
    fragen_.push_back({titel, verzeichnis, filter});
    if (antworten_.empty())
        return {};
    QString a = antworten_.front();
    antworten_.erase(antworten_.begin());
    return a;
}

Einstellungen& einstellungen()
{
    if (!g_einstellungen)
        g_einstellungen = std::make_shared<DateiEinstellungen>();
    return *g_einstellungen;
}

Dateidialog& dateidialog()
{
    if (!g_dateidialog)
        g_dateidialog = std::make_shared<QtDateidialog>();
    return *g_dateidialog;
}

void setzeEinstellungen(std::shared_ptr<Einstellungen> e) { g_einstellungen = std::move(e); }
void setzeDateidialog(std::shared_ptr<Dateidialog> d) { g_dateidialog = std::move(d); }

}  // namespace Plattform
