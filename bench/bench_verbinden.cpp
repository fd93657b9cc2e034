// Every action reconnects and probes every table. Cost of one
// DatenbankVerbinden on a file of 200 tables with about 100 MB of rows, and
// on one of 200 tables with a few rows each: target at most 100 ms a call,
// and no growth with the number of rows.
//
//   bench_verbinden

#include "BenchDaten.h"
#include "Datenbankfunktion.h"
#include "MdbWriter.h"
#include "Meldung.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Uhr = std::chrono::steady_clock;

class OhneFenster : public Datenbankfunktion::Hauptfenster {
public:
    QString verzeichnis, datei, text;
    int tabellen = 0;
    QString verzeichnisPfad() const override { return verzeichnis; }
    QString gewaehlteDatei() const override { return datei; }
    QString tabellenText() const override { return text; }
    void tabellenLeeren() override { tabellen = 0; }
    void tabelleHinzufuegen(const QString& name) override
    {
        if (++tabellen == 1)
            erste = name;
    }
    void ersteTabelleWaehlen() override { text = erste; }
    void zustandZeigen(bool) override {}
    QString erste;
};

std::string schreiben(long long zeilenJeTabelle)
{
    const std::string datei = "/tmp/zelk-bench/verbinden2-" + std::to_string(zeilenJeTabelle) + ".mdb";
    if (!std::filesystem::exists(datei)) {
        mdbwriter::Database db(datei, mdbwriter::Format::Jet4);
        for (int t = 0; t < 200; ++t)
            mdbwriter::writeBenchTable(db, "Tabelle" + std::to_string(t + 1), zeilenJeTabelle, std::uint64_t(t + 1));
        db.finish();
    }
    return datei;
}

double messen(const std::string& pfad, int& tabellen)
{
    OhneFenster f;
    const std::filesystem::path p(pfad);
    f.verzeichnis = QString::fromStdString(p.parent_path().string());
    f.datei = QString::fromStdString(p.filename().string());
    Datenbankfunktion::setzeHauptfenster(&f);
    Datenbankfunktion::DatenbankVerbinden();  // warm: the file in the page cache
    const int laeufe = 20;
    const auto t0 = Uhr::now();
    for (int i = 0; i < laeufe; ++i) {
        f.text.clear();
        Datenbankfunktion::DatenbankVerbinden();
    }
    const double ms = std::chrono::duration<double, std::milli>(Uhr::now() - t0).count() / laeufe;
    tabellen = f.tabellen;
    Datenbankfunktion::verbindungErsetzen(nullptr);
    Datenbankfunktion::setzeHauptfenster(nullptr);
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Plattform::setzeMeldungen(std::make_shared<Plattform::MeldungsRecorder>());
    std::filesystem::create_directories("/tmp/zelk-bench");
    const std::string gross = schreiben(4000);
    const std::string klein = schreiben(5);
    int tg = 0, tk = 0;
    const double msGross = messen(gross, tg);
    const double msKlein = messen(klein, tk);
    std::printf("200 Tabellen, %.0f MB: %.1f ms je DatenbankVerbinden (%d Tabellen gelistet; Ziel: höchstens 100 ms)\n",
                double(std::filesystem::file_size(gross)) / 1e6, msGross, tg);
    std::printf("200 Tabellen, %.1f MB: %.1f ms je DatenbankVerbinden (%d Tabellen gelistet)\n",
                double(std::filesystem::file_size(klein)) / 1e6, msKlein, tk);
    std::printf("Verhältnis groß/klein: %.2f (Ziel: kein Wachstum mit den Zeilen)\n", msGross / msKlein);
    return 0;
}
