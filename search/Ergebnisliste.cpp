#include "Ergebnisliste.h"

#include "Protokoll.h"

Ergebnisliste::Ergebnisliste(QObject* parent) : QAbstractListModel(parent) {}

void Ergebnisliste::leeren()
{
    beginResetModel();
    eintraege_.clear();
    eintraege_.shrink_to_fit();
    texte_.clear();
    texte_.shrink_to_fit();
    bekannt_ = 0;
    endResetModel();
}

void Ergebnisliste::setzeFeldnamen(const QStringList& namen) { feldnamen_ = namen; }

void Ergebnisliste::trefferAnhaengen(double satz, int feld, QStringView wert)
{
    eintraege_.push_back({texte_.size(), std::uint32_t(wert.size()), std::uint32_t(feld), satz});
    texte_.insert(texte_.end(), wert.utf16(), wert.utf16() + wert.size());
}

void Ergebnisliste::trennerAnhaengen() { eintraege_.push_back({0, 0, Trenner, 0}); }

void Ergebnisliste::zeileAnhaengen(QStringView text)
{
    eintraege_.push_back({texte_.size(), std::uint32_t(text.size()), Text, 0});
    texte_.insert(texte_.end(), text.utf16(), text.utf16() + text.size());
}

void Ergebnisliste::bekanntgeben()
{
    const qsizetype neu = anzahl();
    if (neu <= bekannt_)
        return;
    beginInsertRows({}, int(bekannt_), int(neu - 1));
    bekannt_ = neu;
    endInsertRows();
}

QString Ergebnisliste::zeile(qsizetype i) const
{
    const Eintrag& e = eintraege_[std::size_t(i)];
    if (e.feld == Trenner)
        return Protokoll::listenTrenner();
    const QStringView text(texte_.data() + e.offset, qsizetype(e.laenge));
    if (e.feld == Text)
        return text.toString();
    const QString name = int(e.feld) < feldnamen_.size() ? feldnamen_[int(e.feld)] : QString();
    return Protokoll::trefferZeile(e.satz, name, text);
}

QStringList Ergebnisliste::alleZeilen() const
{
    QStringList z;
    for (qsizetype i = 0; i < anzahl(); ++i)
        z << zeile(i);
    return z;
}

int Ergebnisliste::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(bekannt_);
}

QVariant Ergebnisliste::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= bekannt_)
        return {};
    return zeile(index.row());
}
