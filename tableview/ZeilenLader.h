#pragma once
// Fetches the grid's rows off the window thread, through a connection and a
// keyset cursor of its own on the same file and statement: a search in the
// main window, which reconnects and closes the shared recordset, never pulls
// rows out from under the grid. The connection and its reader process live
// and die on the loader's thread only.

#include "Bereich.h"
#include "Datenzugriff.h"
#include "Zelle.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// One block of cells, rows after each other.
struct Zeilenblock {
    int spalten = 0;
    std::vector<Gitterzelle::Zelle> zellen;
    std::size_t bytes = 0;

    int zeilen() const { return spalten ? int(zellen.size()) / spalten : 0; }
    const Gitterzelle::Zelle& zelle(int zeile, int spalte) const { return zellen[std::size_t(zeile) * std::size_t(spalten) + std::size_t(spalte)]; }
};

class ZeilenLader {
public:
    // Called on the thread of kontext, in the order the loader sends them.
    struct Empfaenger {
        // The columns, a first estimate of the rows (the table's stored
        // count, or the rows read) and the first block, read straight from
        // the cursor: counting a large table takes longer than a first screen may.
        std::function<void(const QStringList& felder, std::int64_t zeilen, std::shared_ptr<const Zeilenblock> erster)> geoeffnet;
        // The rows counted. Requests are served from then on.
        std::function<void(std::int64_t zeilen)> gezaehlt;
        // The damage the count read past (after gezaehlt, only when there is some):
        // the rows shown are those that could be read.
        std::function<void(const QStringList& gruende)> beschaedigt;
        std::function<void(std::uint64_t token, std::int64_t block, std::shared_ptr<const Zeilenblock> daten)> geladen;
        // A block that cannot be read; the loader goes on with the others.
        std::function<void(std::int64_t block, const QString& text)> blockFehler;
        // Opening failed or the reader is gone: nothing more comes.
        std::function<void(const QString& text)> fehler;
        // The copied text, or the reason it could not be read.
        std::function<void(std::uint64_t auftrag, const QString& text, const QString& fehler)> kopiert;
    };

    ZeilenLader(Datenzugriff::Connection::LeserFabrik fabrik, QString verbindungstext, QString anweisung, QObject* kontext,
                Empfaenger empfaenger);
    // Waits for the request under way; answers not yet delivered are dropped.
    ~ZeilenLader();
    ZeilenLader(const ZeilenLader&) = delete;
    ZeilenLader& operator=(const ZeilenLader&) = delete;

    // The blocks to fetch, most urgent first. Replaces a request still
    // waiting; a block being read now is finished under its old token and
    // left out of the new request.
    void anfordern(std::uint64_t token, std::vector<std::int64_t> bloecke);
    // The cells of a selection as tab-separated text, answered by kopiert.
    // Replaces a copy still waiting.
    void kopieren(std::uint64_t auftrag, std::vector<Gitterbereich::Rechteck> auswahl);

private:
    struct Anforderung {
        std::uint64_t token = 0;
        std::vector<std::int64_t> bloecke;
    };
    struct Kopie {
        std::uint64_t auftrag = 0;
        std::vector<Gitterbereich::Rechteck> auswahl;
    };

    void lauf();
    void bedienen(Datenzugriff::Recordset& satzmenge, std::int64_t zeilen);
    std::shared_ptr<Zeilenblock> ersteZeilenLesen(Datenzugriff::Recordset& satzmenge);
    std::shared_ptr<Zeilenblock> zellenLesen(Datenzugriff::Recordset& satzmenge, std::int64_t von, int anzahl);
    std::shared_ptr<Zeilenblock> blockLesen(Datenzugriff::Recordset& satzmenge, std::int64_t block, std::int64_t zeilen);
    std::optional<QString> kopieLesen(Datenzugriff::Recordset& satzmenge, const std::vector<Gitterbereich::Rechteck>& auswahl);
    bool angehalten();
    // Runs f on the window thread unless the loader is being stopped.
    void senden(std::function<void()> f);

    Datenzugriff::Connection::LeserFabrik fabrik_;
    QString verbindungstext_;
    QString anweisung_;
    QObject* kontext_;
    Empfaenger empfaenger_;

    std::mutex mutex_;
    std::condition_variable wecker_;
    bool halt_ = false;
    std::optional<Anforderung> wartend_;
    std::optional<Kopie> kopie_;
    std::int64_t imFlug_ = -1;
    std::vector<std::int64_t> geliefert_;  // sent since the last request

    // The loader thread's own.
    QLocale locale_;
    std::unique_ptr<Datenzugriff::Werttext> werttext_;
    Datenzugriff::ZeilenBlock roh_;

    std::thread faden_;
};
