#include "ZeilenLader.h"

#include "Fehler.h"

#include <QMetaObject>

#include <algorithm>

namespace {

// Rows per request of a copy: large enough to be quick, small enough to stop soon.
constexpr int KopierStueck = 1024;

QString fehlerText(const std::exception& e)
{
    if (const auto* d = dynamic_cast<const Datenzugriff::DatenzugriffsFehler*>(&e))
        return d->Description();
    return QString::fromLocal8Bit(e.what());
}

}  // namespace

ZeilenLader::ZeilenLader(Datenzugriff::Connection::LeserFabrik fabrik, QString verbindungstext, QString anweisung,
                         QObject* kontext, Empfaenger empfaenger)
    : fabrik_(std::move(fabrik)), verbindungstext_(std::move(verbindungstext)), anweisung_(std::move(anweisung)),
      kontext_(kontext), empfaenger_(std::move(empfaenger)), locale_(QLocale::system())
{
    faden_ = std::thread([this] { lauf(); });
}

ZeilenLader::~ZeilenLader()
{
    {
        std::lock_guard l(mutex_);
        halt_ = true;
    }
    wecker_.notify_all();
    faden_.join();
}

void ZeilenLader::anfordern(std::uint64_t token, std::vector<std::int64_t> bloecke)
{
    {
        std::lock_guard l(mutex_);
        // What is being read or already on its way reaches the window anyway.
        std::erase_if(bloecke, [this](std::int64_t b) {
            return b == imFlug_ || std::find(geliefert_.begin(), geliefert_.end(), b) != geliefert_.end();
        });
        geliefert_.clear();
        wartend_ = Anforderung{token, std::move(bloecke)};
    }
    wecker_.notify_all();
}

void ZeilenLader::kopieren(std::uint64_t auftrag, std::vector<Gitterbereich::Rechteck> auswahl)
{
    {
        std::lock_guard l(mutex_);
        kopie_ = Kopie{auftrag, std::move(auswahl)};
    }
    wecker_.notify_all();
}

void ZeilenLader::senden(std::function<void()> f)
{
    std::lock_guard l(mutex_);
    if (!halt_)
        QMetaObject::invokeMethod(kontext_, std::move(f), Qt::QueuedConnection);
}

bool ZeilenLader::angehalten()
{
    std::lock_guard l(mutex_);
    return halt_;
}

void ZeilenLader::lauf()
{
    try {
        werttext_ = std::make_unique<Datenzugriff::Werttext>(locale_);
        Datenzugriff::Connection verbindung(fabrik_);
        verbindung.Open(verbindungstext_);
        Datenzugriff::Recordset satzmenge;
        // The grid's keyset cursor: the rows are counted once, then reached by number.
        satzmenge.Open(anweisung_, verbindung, Datenzugriff::adOpenKeyset, Datenzugriff::adLockReadOnly);
        QStringList felder;
        for (int i = 0; i < satzmenge.fields().Count(); ++i)
            felder << satzmenge.fields().Item(i).Name();
        const std::int64_t gespeichert = satzmenge.RecordCount();
        auto erster = ersteZeilenLesen(satzmenge);
        // A short table was read to its end: its count is known.
        const bool ganz = erster->zeilen() < Gitterbereich::ZeilenProBlock;
        const std::int64_t schaetzung = ganz ? erster->zeilen() : std::max<std::int64_t>(gespeichert, erster->zeilen());
        senden([e = empfaenger_.geoeffnet, felder, schaetzung, d = std::shared_ptr<const Zeilenblock>(std::move(erster))] {
            e(felder, schaetzung, d);
        });
        const std::int64_t zeilen = satzmenge.gezaehlteZeilen();
        senden([e = empfaenger_.gezaehlt, zeilen] { e(zeilen); });
        if (const auto schaeden = satzmenge.schaeden(); !schaeden.empty() && empfaenger_.beschaedigt)
            senden([e = empfaenger_.beschaedigt, g = Datenzugriff::schadenGruende(schaeden, 5)] { e(g); });
        bedienen(satzmenge, zeilen);
    } catch (const std::exception& e) {
        senden([e = empfaenger_.fehler, text = fehlerText(e)] { e(text); });
    }
}

void ZeilenLader::bedienen(Datenzugriff::Recordset& satzmenge, std::int64_t zeilen)
{
    Anforderung aktuell;
    std::size_t naechster = 0;
    while (true) {
        std::optional<Kopie> kopie;
        std::int64_t block = -1;
        std::uint64_t token = 0;
        {
            std::unique_lock l(mutex_);
            wecker_.wait(l, [&] { return halt_ || wartend_ || kopie_ || naechster < aktuell.bloecke.size(); });
            if (halt_)
                return;
            if (wartend_) {
                aktuell = std::move(*wartend_);
                wartend_.reset();
                naechster = 0;
            }
            if (kopie_) {
                kopie = std::move(kopie_);
                kopie_.reset();
            } else if (naechster < aktuell.bloecke.size()) {
                block = aktuell.bloecke[naechster++];
                token = aktuell.token;
                imFlug_ = block;
            }
        }
        if (kopie) {
            try {
                if (auto text = kopieLesen(satzmenge, kopie->auswahl))
                    senden([e = empfaenger_.kopiert, a = kopie->auftrag, t = std::move(*text)] { e(a, t, QString()); });
            } catch (const Datenzugriff::DatenzugriffsFehler& e) {
                if (satzmenge.State() != Datenzugriff::adStateOpen)
                    throw;
                senden([f = empfaenger_.kopiert, a = kopie->auftrag, text = e.Description()] { f(a, QString(), text); });
            }
            continue;
        }
        if (block < 0)
            continue;
        try {
            auto daten = blockLesen(satzmenge, block, zeilen);
            std::lock_guard l(mutex_);
            if (!halt_)
                QMetaObject::invokeMethod(kontext_, [e = empfaenger_.geladen, token, block, d = std::shared_ptr<const Zeilenblock>(std::move(daten))] { e(token, block, d); },
                                          Qt::QueuedConnection);
            geliefert_.push_back(block);
            imFlug_ = -1;
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            {
                std::lock_guard l(mutex_);
                imFlug_ = -1;
            }
            // A damaged row spoils its block only, as long as the reader lives.
            if (satzmenge.State() != Datenzugriff::adStateOpen)
                throw;
            senden([f = empfaenger_.blockFehler, block, text = e.Description()] { f(block, text); });
        }
    }
}

std::shared_ptr<Zeilenblock> ZeilenLader::ersteZeilenLesen(Datenzugriff::Recordset& satzmenge)
{
    auto daten = std::make_shared<Zeilenblock>();
    daten->spalten = satzmenge.fields().Count();
    for (int z = 0; z < Gitterbereich::ZeilenProBlock && !satzmenge.Eof(); ++z, satzmenge.MoveNext()) {
        const Datenzugriff::Wert* zeile = satzmenge.aktuelleZeile();
        for (int s = 0; s < daten->spalten; ++s) {
            daten->zellen.push_back(Gitterzelle::zelleAus(zeile[s], *werttext_, locale_));
            daten->bytes += Gitterzelle::groesse(daten->zellen.back());
        }
    }
    return daten;
}

std::shared_ptr<Zeilenblock> ZeilenLader::zellenLesen(Datenzugriff::Recordset& satzmenge, std::int64_t von, int anzahl)
{
    auto daten = std::make_shared<Zeilenblock>();
    daten->spalten = satzmenge.fields().Count();
    if (anzahl <= 0 || daten->spalten == 0)
        return daten;
    const int n = satzmenge.zeilenBereich(von, anzahl, roh_);
    const int spalten = std::min(daten->spalten, roh_.spalten);
    daten->zellen.resize(std::size_t(n) * std::size_t(daten->spalten));
    for (int z = 0; z < n; ++z)
        for (int s = 0; s < spalten; ++s) {
            auto& zelle = daten->zellen[std::size_t(z) * std::size_t(daten->spalten) + std::size_t(s)];
            zelle = Gitterzelle::zelleAus(roh_.wert(z, s), *werttext_, locale_);
            daten->bytes += Gitterzelle::groesse(zelle);
        }
    return daten;
}

std::shared_ptr<Zeilenblock> ZeilenLader::blockLesen(Datenzugriff::Recordset& satzmenge, std::int64_t block, std::int64_t zeilen)
{
    const auto bereich = Gitterbereich::zeilenDesBlocks(block, zeilen);
    return zellenLesen(satzmenge, bereich.von, bereich.anzahl);
}

std::optional<QString> ZeilenLader::kopieLesen(Datenzugriff::Recordset& satzmenge, const std::vector<Gitterbereich::Rechteck>& auswahl)
{
    const auto plan = Gitterbereich::kopierplan(auswahl);
    std::vector<std::vector<QString>> zeilen;
    zeilen.reserve(std::size_t(plan.zeilenAnzahl()));
    for (const auto& lauf : plan.zeilen) {
        for (std::int64_t von = lauf.von; von < lauf.von + lauf.anzahl; von += KopierStueck) {
            if (angehalten())
                return std::nullopt;
            const auto stueck = zellenLesen(satzmenge, von, int(std::min<std::int64_t>(KopierStueck, lauf.von + lauf.anzahl - von)));
            for (int z = 0; z < stueck->zeilen(); ++z)
                zeilen.push_back(Gitterzelle::kopierZeile(von + z, plan.spalten, auswahl,
                                                          [&](int s) { return s < stueck->spalten ? &stueck->zelle(z, s) : nullptr; }));
        }
    }
    return Gitterzelle::tabellenText(zeilen);
}
