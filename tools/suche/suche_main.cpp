// zelk-feldspur-suche DATEI TABELLE SUCHTEXT [--ohne-wildcards] [--protokoll DATEI]
// Searches one table like the window does and writes the same protocol,
// to standard output unless a file is given.

#include "Datenzugriff.h"
#include "Fehler.h"
#include "Leser.h"
#include "Protokoll.h"
#include "Suchlauf.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int aufruf()
{
    std::fputs("Aufruf: zelk-feldspur-suche DATEI TABELLE SUCHTEXT [--ohne-wildcards] [--protokoll DATEI]\n", stderr);
    return 2;
}

void fehler(const QString& text) { std::fprintf(stderr, "zelk-feldspur-suche: %s\n", text.toLocal8Bit().constData()); }

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList frei;
    bool platzhalter = true;
    bool imProzess = false;
    QString protokollDatei;
    const QStringList argumente = app.arguments().mid(1);
    for (qsizetype i = 0; i < argumente.size(); ++i) {
        const QString& a = argumente[i];
        if (a == QLatin1String("--ohne-wildcards"))
            platzhalter = false;
        else if (a == QLatin1String("--im-prozess"))
            imProzess = true;
        else if (a == QLatin1String("--protokoll") && i + 1 < argumente.size())
            protokollDatei = argumente[++i];
        else if (a.startsWith(QLatin1String("--")))
            return aufruf();
        else
            frei << a;
    }
    if (frei.size() != 3)
        return aufruf();
    const QString datei = QFileInfo(frei[0]).absoluteFilePath();
    const QString tabelle = frei[1];
    const QString suchtext = frei[2];

    QFile standardausgabe;
    std::unique_ptr<Protokoll::Schreiber> protokoll;
    if (protokollDatei.isEmpty()) {
        standardausgabe.open(stdout, QIODevice::WriteOnly);
        protokoll = std::make_unique<Protokoll::Schreiber>(&standardausgabe, QStringLiteral("Standardausgabe"));
    } else {
        protokoll = std::make_unique<Protokoll::Schreiber>(protokollDatei);
    }
    try {
        // The same reader process as the window; --im-prozess reads here.
        Datenzugriff::Connection verbindung(imProzess ? Datenzugriff::Connection::LeserFabrik([] { return Datenzugriff::erzeugeMdbLeser(); })
                                                      : Datenzugriff::Connection::LeserFabrik([] { return Datenzugriff::erzeugeProzessLeser(); }));
        verbindung.Open(QStringLiteral("DBQ=") + datei + QLatin1Char(';'));
        Datenzugriff::Recordset satzmenge;
        satzmenge.Open(QStringLiteral("Select * from [") + tabelle + QStringLiteral("];"), verbindung,
                       Datenzugriff::adOpenDynamic, Datenzugriff::adLockOptimistic);
        protokoll->oeffnen();
        Suche::Suchlauf lauf(satzmenge, *protokoll, nullptr, nullptr, 0);
        lauf.suchtext = [&] { return suchtext; };
        lauf.platzhalter = [&] { return platzhalter; };
        lauf.durchsuchen();
        satzmenge.Close();
        verbindung.Close();
        lauf.schlusszeilen();
        protokoll->abschliessen();
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        protokoll->verwerfen();
        fehler(e.Description());
        return 1;
    } catch (const Protokoll::Schreibfehler& e) {
        protokoll->verwerfen();
        fehler(e.meldung());
        return 1;
    }
    return 0;
}
