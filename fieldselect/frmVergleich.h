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
        Anzeigefeld* fldAttrib;    // attribute bits of the field, in decimal
        Anzeigefeld* fldType;      // type code of the field, in decimal
        QCheckBox* fldSchalter;    // ticked: a compare field, searched
        QCheckBox* fldSchalter2;   // ticked: an info field, listed with every hit record
        QLabel* fldBez;            // the field's name, as the recordset gives it
        Anzeigefeld* fldFeld;      // the field's value in the first record
    };

    // The design state: the fixed controls and element 0 of each array.
    frmVergleich();
    ~frmVergleich() override;

    // The load: layout from the screen, one row per field of satzmenge with
    // the sample of its current record, every box unticked. Errors of the
    // data-access component come out as DatenzugriffsFehler.
    void laden(const Datenzugriff::Recordset& satzmenge, const Plattform::Bildschirm& bildschirm);

    // Controls, named as the program knows them.
    QGroupBox* Frame1;           // "Datenbankfelder Auswahlmaske", holds the rows
    QScrollBar* VScroll1;        // its value is the first row shown (1: not scrolled)
    QPushButton* Command1;       // "&Auswahl übernehmen": apply
    QPushButton* Command2;       // "A&uswahl zurücksetzen": reset
    QPushButton* Command3;       // "Abbru&ch": cancel
    QLineEdit* Text1;            // hidden: the row count, as the search run reads it
    QLabel* LabelScrollmodus;    // "Scrollmodus aktiv / Scrolling is aktiv" in slot 0 while scrolled

    int FeldAnzahl = 0;    // rows = fields of the recordset at load
    int BreiteBez = 0;     // width of the name labels (twips)
    int BreiteInhalt = 0;  // largest width of a content box (twips)

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
    void rahmenAufbauen();
    Zeile ersteZeileAufbauen();
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
