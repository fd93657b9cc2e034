#include "Inhaltsmodell.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <utility>
#include <limits>

namespace {

const QString Platzhalter = QStringLiteral("…");
const QString Lesefehler = QStringLiteral("#Fehler");

bool gleicheMenge(std::vector<std::int64_t> a, std::vector<std::int64_t> b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

}  // namespace

Inhaltsmodell::Inhaltsmodell(QObject* parent) : QAbstractTableModel(parent) {}

Inhaltsmodell::~Inhaltsmodell() = default;

void Inhaltsmodell::binden(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung)
{
    entbinden();
    const std::uint64_t gen = ++generation_;
    ZeilenLader::Empfaenger e;
    e.geoeffnet = [this, gen](const QStringList& felder, std::int64_t zeilen, std::shared_ptr<const Zeilenblock> erster) {
        if (gen != generation_)
            return;
        if (zurueckgehalten_)
            gehalten_ = Eroeffnung{felder, zeilen, std::move(erster)};
        else
            spaltenErhalten(felder, zeilen, std::move(erster));
    };
    e.gezaehlt = [this, gen](std::int64_t zeilen) {
        if (gen != generation_)
            return;
        if (zurueckgehalten_ && gehalten_)
            gehalten_->zeilen = zeilen;
        else
            zeilenGezaehlt(zeilen);
    };
    e.beschaedigt = [this, gen](const QStringList& gruende) {
        if (gen != generation_)
            return;
        if (zurueckgehalten_ && gehalten_)
            gehalten_->schaeden = gruende;
        else
            emit beschaedigt(gruende);
    };
    e.geladen = [this, gen](std::uint64_t token, std::int64_t block, std::shared_ptr<const Zeilenblock> daten) {
        if (gen == generation_)
            blockErhalten(token, block, std::move(daten));
    };
    e.blockFehler = [this, gen](std::int64_t block, const QString& text) {
        if (gen == generation_)
            blockFehlerErhalten(block, text);
    };
    e.fehler = [this, gen](const QString& text) {
        if (gen == generation_)
            fehlerErhalten(text);
    };
    e.kopiert = [this, gen](std::uint64_t auftrag, const QString& text, const QString& fehler) {
        if (gen != generation_ || auftrag != kopierAuftrag_)
            return;
        if (fehler.isEmpty())
            emit kopiert(text);
        else
            emit kopierFehler(fehler);
    };
    lader_ = std::make_unique<ZeilenLader>(std::move(fabrik), verbindungstext, anweisung, this, std::move(e));
}

void Inhaltsmodell::vorbereiten(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung)
{
    binden(std::move(fabrik), verbindungstext, anweisung);
    zurueckgehalten_ = true;
}

void Inhaltsmodell::freigeben()
{
    zurueckgehalten_ = false;
    if (auto g = std::exchange(gehalten_, std::nullopt)) {
        spaltenErhalten(g->felder, g->zeilen, std::move(g->erster));
        if (!g->schaeden.isEmpty())
            emit beschaedigt(g->schaeden);
    }
}

void Inhaltsmodell::entbinden()
{
    ++generation_;
    lader_.reset();
    zurueckgehalten_ = false;
    gehalten_.reset();
    beginResetModel();
    geoeffnet_ = false;
    gezaehlt_ = false;
    felder_.clear();
    zeilen_ = 0;
    cache_.clear();
    fehlerhaft_.clear();
    benoetigt_.clear();
    angefordert_.clear();
    sichtErste_ = sichtLetzte_ = 0;
    endResetModel();
}

namespace {
// The view counts rows in int; no Jet table comes near that.
std::int64_t zeilenFuerDieSicht(std::int64_t zeilen) { return std::clamp<std::int64_t>(zeilen, 0, std::numeric_limits<int>::max()); }
}  // namespace

void Inhaltsmodell::spaltenErhalten(const QStringList& felder, std::int64_t zeilen, std::shared_ptr<const Zeilenblock> erster)
{
    beginResetModel();
    felder_ = felder;
    zeilen_ = zeilenFuerDieSicht(zeilen);
    geoeffnet_ = true;
    gezaehlt_ = false;
    cache_.clear();
    fehlerhaft_.clear();
    angefordert_.clear();
    if (erster && erster->zeilen() > 0)
        cache_[0] = std::move(erster);
    endResetModel();
    anfordernWasFehlt();
    emit geoeffnet();
    if (cache_.count(0))
        emit blockGeladen(0);
}

void Inhaltsmodell::zeilenGezaehlt(std::int64_t zeilen)
{
    zeilen = zeilenFuerDieSicht(zeilen);
    if (!geoeffnet_)
        return;
    gezaehlt_ = true;
    if (zeilen == zeilen_) {
        emit gezaehlt();
        return;
    }
    if (zeilen > zeilen_) {
        beginInsertRows({}, int(zeilen_), int(zeilen - 1));
        zeilen_ = zeilen;
        endInsertRows();
    } else {
        beginRemoveRows({}, int(zeilen), int(zeilen_ - 1));
        zeilen_ = zeilen;
        // Blocks past the end, and a last block that now ends earlier, are read anew.
        std::erase_if(cache_, [&](const auto& e) { return e.first >= Gitterbereich::blockDerZeile(std::max<std::int64_t>(zeilen - 1, 0)); });
        std::erase_if(fehlerhaft_, [&](const auto& e) { return e.first >= Gitterbereich::blockAnzahl(zeilen); });
        endRemoveRows();
    }
    angefordert_.clear();
    sichtLetzte_ = std::min(sichtLetzte_, std::max<std::int64_t>(zeilen_ - 1, 0));
    sichtErste_ = std::min(sichtErste_, sichtLetzte_);
    anfordernWasFehlt();
    emit gezaehlt();
}

void Inhaltsmodell::sichtSetzen(std::int64_t erste, std::int64_t letzte)
{
    sichtErste_ = erste;
    sichtLetzte_ = std::max(erste, letzte);
    if (geoeffnet_)
        anfordernWasFehlt();
}

void Inhaltsmodell::anfordernWasFehlt()
{
    benoetigt_ = Gitterbereich::benoetigteBloecke(sichtErste_, sichtLetzte_, zeilen_);
    std::vector<std::int64_t> vorhanden;
    for (const auto& [b, d] : cache_)
        vorhanden.push_back(b);
    for (const auto& [b, t] : fehlerhaft_)
        vorhanden.push_back(b);
    auto fehlend = Gitterbereich::fehlendeBloecke(benoetigt_, vorhanden);
    // The same blocks are on their way already: no new request.
    if (gleicheMenge(fehlend, angefordert_))
        return;
    angefordert_ = fehlend;
    ++token_;
    if (lader_)
        lader_->anfordern(token_, std::move(fehlend));
}

void Inhaltsmodell::blockErhalten(std::uint64_t token, std::int64_t block, std::shared_ptr<const Zeilenblock> daten)
{
    std::erase(angefordert_, block);
    if (!geoeffnet_ || !daten || !Gitterbereich::antwortAnnehmen(token, token_, block, benoetigt_))
        return;
    cache_[block] = std::move(daten);
    fehlerhaft_.erase(block);
    zeilenGeaendert(block);
    verwerfenWasZuVielIst();
    emit blockGeladen(block);
}

void Inhaltsmodell::blockFehlerErhalten(std::int64_t block, const QString& text)
{
    std::erase(angefordert_, block);
    if (!geoeffnet_)
        return;
    fehlerhaft_[block] = text;
    zeilenGeaendert(block);
    emit ladefehler(text);
}

void Inhaltsmodell::fehlerErhalten(const QString& text)
{
    angefordert_.clear();
    lader_.reset();
    emit ladefehler(text);
}

void Inhaltsmodell::verwerfenWasZuVielIst()
{
    std::vector<Gitterbereich::GecachterBlock> liste;
    for (const auto& [b, d] : cache_)
        liste.push_back({b, d->bytes});
    const std::int64_t mitte = Gitterbereich::blockDerZeile((sichtErste_ + sichtLetzte_) / 2);
    for (std::int64_t b : Gitterbereich::zuVerwerfen(liste, mitte, benoetigt_, grenzen)) {
        cache_.erase(b);
        zeilenGeaendert(b);
    }
}

void Inhaltsmodell::zeilenGeaendert(std::int64_t block)
{
    const auto z = Gitterbereich::zeilenDesBlocks(block, zeilen_);
    if (z.anzahl > 0 && !felder_.isEmpty())
        emit dataChanged(index(int(z.von), 0), index(int(z.von + z.anzahl - 1), int(felder_.size()) - 1));
}

const Zeilenblock* Inhaltsmodell::blockDerZeile(std::int64_t zeile) const
{
    const auto it = cache_.find(Gitterbereich::blockDerZeile(zeile));
    return it == cache_.end() ? nullptr : it->second.get();
}

bool Inhaltsmodell::zeileGeladen(std::int64_t zeile) const
{
    const Zeilenblock* b = blockDerZeile(zeile);
    return b && zeile % Gitterbereich::ZeilenProBlock < b->zeilen();
}

int Inhaltsmodell::spalteVon(const QString& feld) const
{
    for (int i = 0; i < felder_.size(); ++i)
        if (felder_[i].compare(feld, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::vector<std::int64_t> Inhaltsmodell::gecachteBloecke() const
{
    std::vector<std::int64_t> b;
    for (const auto& [nr, d] : cache_)
        b.push_back(nr);
    return b;
}

std::size_t Inhaltsmodell::cacheBytes() const
{
    std::size_t n = 0;
    for (const auto& [nr, d] : cache_)
        n += d->bytes;
    return n;
}

bool Inhaltsmodell::kopieren(const std::vector<Gitterbereich::Rechteck>& auswahl)
{
    const auto plan = Gitterbereich::kopierplan(auswahl);
    if (plan.zeilenAnzahl() == 0)
        return false;
    if (plan.zeilenAnzahl() > KopierGrenze) {
        emit kopierFehler(QStringLiteral("Es lassen sich höchstens %1 Zeilen auf einmal kopieren; gewählt sind %2.")
                              .arg(KopierGrenze)
                              .arg(plan.zeilenAnzahl()));
        return true;
    }
    ++kopierAuftrag_;
    bool alleDa = true;
    for (const auto& lauf : plan.zeilen)
        for (std::int64_t z = lauf.von; z < lauf.von + lauf.anzahl && alleDa; ++z)
            alleDa = zeileGeladen(z);
    if (!alleDa) {
        if (lader_)
            lader_->kopieren(kopierAuftrag_, auswahl);
        else
            emit kopierFehler(QStringLiteral("Die gewählten Zeilen sind nicht geladen."));
        return true;
    }
    std::vector<std::vector<QString>> zeilen;
    for (const auto& lauf : plan.zeilen)
        for (std::int64_t z = lauf.von; z < lauf.von + lauf.anzahl; ++z) {
            const Zeilenblock* b = blockDerZeile(z);
            const int r = int(z % Gitterbereich::ZeilenProBlock);
            zeilen.push_back(Gitterzelle::kopierZeile(z, plan.spalten, auswahl,
                                                      [&](int s) { return s < b->spalten ? &b->zelle(r, s) : nullptr; }));
        }
    emit kopiert(Gitterzelle::tabellenText(zeilen));
    return true;
}

int Inhaltsmodell::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(zeilen_); }

int Inhaltsmodell::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(felder_.size()); }

QVariant Inhaltsmodell::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= zeilen_ || index.column() >= felder_.size())
        return {};
    const Zeilenblock* b = blockDerZeile(index.row());
    const int r = index.row() % Gitterbereich::ZeilenProBlock;
    if (!b || r >= b->zeilen() || index.column() >= b->spalten) {
        const auto fehler = fehlerhaft_.find(Gitterbereich::blockDerZeile(index.row()));
        switch (role) {
        case Qt::DisplayRole: return fehler != fehlerhaft_.end() ? Lesefehler : Platzhalter;
        case Qt::ToolTipRole: return fehler != fehlerhaft_.end() ? fehler->second : QVariant();
        case Qt::ForegroundRole: return QBrush(fehler != fehlerhaft_.end() ? QColor(0xB0, 0, 0) : QColor(0xA0, 0xA0, 0xA0));
        case GeladenRolle: return false;
        default: return {};
        }
    }
    const Gitterzelle::Zelle& z = b->zelle(r, index.column());
    switch (role) {
    case Qt::DisplayRole: return z.anzeige;
    case Qt::ToolTipRole: {
        const QString t = Gitterzelle::tooltip(z);
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case Qt::TextAlignmentRole:
        return z.art == Gitterzelle::Art::Zahl ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    // Null is greyed: an empty text stays white.
    case Qt::BackgroundRole: return z.art == Gitterzelle::Art::Null ? QVariant(QBrush(QColor(0xE4, 0xE4, 0xE4))) : QVariant();
    case Qt::ForegroundRole: return z.art == Gitterzelle::Art::Binaer ? QVariant(QBrush(QColor(0x70, 0x70, 0x70))) : QVariant();
    case NullRolle: return z.art == Gitterzelle::Art::Null;
    case GeladenRolle: return true;
    case WertRolle: return Gitterzelle::wertText(z);
    default: return {};
    }
}

QVariant Inhaltsmodell::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section < felder_.size() ? QVariant(felder_[section]) : QVariant();
    // Record numbers as the search counts them, from 1.
    return section < zeilen_ ? QVariant(QString::number(section + 1)) : QVariant();
}

Qt::ItemFlags Inhaltsmodell::flags(const QModelIndex& index) const
{
    // Read-only: the program never writes a database file.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
