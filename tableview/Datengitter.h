#pragma once
// DataGrid1: a caption bar over a read-only table view of the content
// model. The view tells the model which rows it shows, fits the columns to
// the first screen of rows and copies a selection with Ctrl+C.

#include "Inhaltsmodell.h"

#include <QFrame>
#include <QLabel>
#include <QTableView>

#include <functional>
#include <utility>

class Gittertabelle : public QTableView {
    Q_OBJECT
public:
    explicit Gittertabelle(QWidget* parent = nullptr);

    // The visible rows to the model.
    void sichtMelden();
    // The selection to the model's copy; the text lands on the clipboard.
    void kopieren();

    // A copy is being read; the hourglass shows until it ends.
    bool kopieOffen = false;

    // Called after each paint of the rows: where measurements look.
    std::function<void()> nachDemMalen;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
};

// The rows the view shows, first and last (the model's last row when the
// view is taller than the rows); last < first without rows.
std::pair<int, int> sichtbareZeilen(const QTableView& t, const Inhaltsmodell& m);
// Whether every row the view shows is loaded; true without rows.
bool sichtbareZeilenGeladen(const QTableView& t, const Inhaltsmodell& m);

class Datengitter : public QFrame {
    Q_OBJECT
public:
    explicit Datengitter(QWidget* parent = nullptr);

    QLabel* beschriftung;   // "Tabelleninhalt"
    Gittertabelle* tabelle;
    Inhaltsmodell* modell;

    // The reader starts at once; the rows show from binden() on.
    void vorbereiten(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung);
    void binden();
    void entbinden();
    // Column widths from the header and the rows on screen; once per binding,
    // as soon as those rows are there.
    bool spaltenAnpassen();

signals:
    // A copy's text is on the clipboard.
    void kopiert();

private:
    void kopieBeenden();
    bool angepasst_ = false;
};
