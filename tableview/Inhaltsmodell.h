#pragma once
// The grid's model over the rows of a statement: rows are fetched in blocks
// around the visible ones by the loader, kept in a bounded cache and shown as
// a placeholder until they arrive. data() never waits for the reader.

#include "Bereich.h"
#include "Datenzugriff.h"
#include "ZeilenLader.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class Inhaltsmodell : public QAbstractTableModel {
    Q_OBJECT
public:
    // Roles beyond Qt's, for the look and for tests.
    enum Rolle { NullRolle = Qt::UserRole + 1, GeladenRolle, WertRolle };
    // More rows than this are not copied at once.
    static constexpr std::int64_t KopierGrenze = 100000;

    explicit Inhaltsmodell(QObject* parent = nullptr);
    ~Inhaltsmodell() override;

    // Opens the grid's own cursor on the statement over a connection of its
    // own; columns and the first rows appear as soon as they are read (geoeffnet).
    void binden(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung);
    // The same, but what arrives is held back until freigeben(): the reader
    // starts while the window still works on the shared recordset.
    void vorbereiten(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung);
    void freigeben();
    // Stops the loader and empties the model.
    void entbinden();
    bool gebunden() const { return lader_ != nullptr && !zurueckgehalten_; }
    bool istGeoeffnet() const { return geoeffnet_; }
    // The rows are counted: the row count is final, every row can be reached.
    bool istGezaehlt() const { return gezaehlt_; }

    // The rows the view shows now (inclusive); asks for what is missing.
    void sichtSetzen(std::int64_t erste, std::int64_t letzte);
    bool zeileGeladen(std::int64_t zeile) const;
    int spalteVon(const QString& feld) const;  // -1 when the statement has no such field

    // Copies a selection: at once from the cache when it holds every row,
    // else through the loader. Answers with kopiert or kopierFehler, unless
    // it returns false (nothing selected).
    bool kopieren(const std::vector<Gitterbereich::Rechteck>& auswahl);

    // The loader's answers (public so tests can give them without a loader).
    void spaltenErhalten(const QStringList& felder, std::int64_t zeilen, std::shared_ptr<const Zeilenblock> erster = {});
    void zeilenGezaehlt(std::int64_t zeilen);
    void blockErhalten(std::uint64_t token, std::int64_t block, std::shared_ptr<const Zeilenblock> daten);
    void blockFehlerErhalten(std::int64_t block, const QString& text);
    void fehlerErhalten(const QString& text);

    // State, for the view and tests.
    std::uint64_t token() const { return token_; }
    const std::vector<std::int64_t>& angefordert() const { return angefordert_; }
    std::vector<std::int64_t> gecachteBloecke() const;
    std::size_t cacheBytes() const;
    Gitterbereich::Grenzen grenzen{64, 48u << 20};

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void geoeffnet();
    void gezaehlt();
    void blockGeladen(qint64 block);
    void ladefehler(const QString& text);
    // The table is damaged: the rows shown are those that could be read.
    void beschaedigt(const QStringList& gruende);
    void kopiert(const QString& text);
    void kopierFehler(const QString& text);

private:
    const Zeilenblock* blockDerZeile(std::int64_t zeile) const;
    void anfordernWasFehlt();
    void verwerfenWasZuVielIst();
    void zeilenGeaendert(std::int64_t block);

    struct Eroeffnung {
        QStringList felder;
        std::int64_t zeilen = 0;
        std::shared_ptr<const Zeilenblock> erster;
        QStringList schaeden = {};
    };

    std::unique_ptr<ZeilenLader> lader_;
    bool zurueckgehalten_ = false;
    std::optional<Eroeffnung> gehalten_;
    std::uint64_t generation_ = 0;  // answers of an earlier binding are ignored
    bool geoeffnet_ = false;
    bool gezaehlt_ = false;
    QStringList felder_;
    std::int64_t zeilen_ = 0;

    std::map<std::int64_t, std::shared_ptr<const Zeilenblock>> cache_;
    std::map<std::int64_t, QString> fehlerhaft_;  // blocks that could not be read
    std::int64_t sichtErste_ = 0, sichtLetzte_ = 0;
    std::vector<std::int64_t> benoetigt_;
    std::vector<std::int64_t> angefordert_;  // asked for and not yet answered
    std::uint64_t token_ = 0;
    std::uint64_t kopierAuftrag_ = 0;
};
