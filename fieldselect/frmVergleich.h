#pragma once
// The field selection mask: one row per field of the shared recordset with
// its attribute and type codes, a box to search the field, a box to list it
// with every hit, its name and a sample of its content. Apply, reset and
// cancel act on the selection; the search run reads the rows through
// Suche::Feldmaske while the mask exists.

#include "Anzeigefeld.h"
#include "Maskenlayout.h"
#include "Suchlauf.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

#include <vector>

namespace Datenzugriff {
class Recordset;
class Werttext;
}
namespace Plattform {
class Bildschirm;
}

class frmVergleich : public QWidget, public Suche::Feldmaske {
    Q_OBJECT
public:
    // One row: the elements of the six control arrays with the row's index,
    // on the carrier that scrolling moves and hides.
    struct Zeile {
        QWidget* traeger;
        Anzeigefeld* fldAttrib;
        Anzeigefeld* fldType;
        QCheckBox* fldSchalter;
        QCheckBox* fldSchalter2;
        QLabel* fldBez;
        Anzeigefeld* fldFeld;
    };

    // The design state: the fixed controls and element 0 of each array.
    frmVergleich();
    ~frmVergleich() override;

    // The load: layout from the screen, one row per field of satzmenge with
    // the sample of its current record, every box unticked. Errors of the
    // data-access component come out as DatenzugriffsFehler.
    void laden(const Datenzugriff::Recordset& satzmenge, const Plattform::Bildschirm& bildschirm);

    // Controls, named as the program knows them.
    QGroupBox* Frame1;
    QScrollBar* VScroll1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLineEdit* Text1;
    QLabel* LabelScrollmodus;

    int FeldAnzahl = 0;
    int BreiteBez = 0;
    int BreiteInhalt = 0;

    const Zeile& zeile(int i) const { return zeilen_.at(std::size_t(i)); }
    const Maskenlayout::Masse& masse() const { return masse_; }
    bool gesperrt() const { return gesperrt_; }

    // Handlers.
    void Command1_Click();  // apply
    void Command2_Click();  // reset
    void Command3_Click();  // cancel
    void fldSchalter_Click(int j);
    void fldSchalter2_Click(int j);
    void VScroll1_Change();

    // Unload: the clearing rule, then the mask is gone for every reader. A
    // search run going on defers it to the run's end.
    void entladen();

    // Suche::Feldmaske
    int zeilenAnzahl() const override;
    QString feldname(int zeile) const override;
    bool suchen(int zeile) const override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void aufbauen();
    void masseAnwenden(const Maskenlayout::Masse& m);
    Zeile zeileErzeugen();
    void zeileFuellen(int i, const Datenzugriff::Recordset& satzmenge, const Datenzugriff::Werttext& werttext);
    void allesAbhaken();
    void fensterPlatzieren();
    void sperren(bool gesperrt);
    int px(int twips) const;

    QWidget* flaeche_ = nullptr;  // inside Frame1, holds the rows
    std::vector<Zeile> zeilen_;
    Maskenlayout::Masse masse_{};
    double dpi_ = 96.0;
    bool gesperrt_ = false;
    bool entladenNachLauf_ = false;
    bool entladen_ = false;
};
