#pragma once
// The lines of the result list List1 in a compact store: a hit line is kept
// as record number, field and value text and built when it is shown, the
// separator costs one entry. Millions of lines stay well below a gigabyte.

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

class Ergebnisliste : public QAbstractListModel {
    Q_OBJECT
public:
    explicit Ergebnisliste(QObject* parent = nullptr);

    void leeren();
    void setzeFeldnamen(const QStringList& namen);  // the fields of the run, by index
    void trefferAnhaengen(double satz, int feld, QStringView wert);
    void trennerAnhaengen();
    void zeileAnhaengen(QStringView text);
    // Makes lines appended since the last call visible to the view.
    void bekanntgeben();

    qsizetype anzahl() const { return qsizetype(eintraege_.size()); }
    QString zeile(qsizetype i) const;
    QStringList alleZeilen() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    static constexpr std::uint32_t Trenner = 0xFFFFFFFFu;
    static constexpr std::uint32_t Text = 0xFFFFFFFEu;
    struct Eintrag {
        std::uint64_t offset;
        std::uint32_t laenge;
        std::uint32_t feld;
        double satz;
    };
    std::vector<Eintrag> eintraege_;
    std::vector<char16_t> texte_;
    QStringList feldnamen_;
    qsizetype bekannt_ = 0;
};
