#pragma once
// The mask under test: the main window of tests/fixtures/Fenster.h on a
// 1024 x 768 screen, its doors bound to the real mask, and a database whose
// tables show every kind of row.

#include "Anbindung.h"
#include "Feldauswahl.h"
#include "Fenster.h"
#include "Fensteranbindung.h"
#include "frmVergleich.h"

#include <QCoreApplication>
#include <QtTest/QTest>

#include <stdexcept>

namespace maskentest {

using namespace mdbwriter;

// Kunden first, so a click on the file chooses it.
inline void kundenSchreiben(const QString& pfad)
{
    Database db(pfad.toStdString(), Format::Jet4);
    kundenTabelle(db);
    const int m = db.addTable("Muster", {{"Kurz", ColumnType::Text, 10},
                                         {"Drei", ColumnType::Text, 10},
                                         {"Lang", ColumnType::Memo},
                                         {"Nichts", ColumnType::Text, 10},
                                         {"Leer", ColumnType::Text, 10},
                                         {"Zahl", ColumnType::Long},
                                         {"Bild", ColumnType::OleObject},
                                         {"Ja", ColumnType::YesNo}});
    db.addRow(m, {Cell::text("ab"), Cell::text("abc"), Cell::text(std::string(100, 'x')), Cell::null(), Cell::text(""),
                  Cell::integer(12345), Cell::bytes({1, 2, 3, 4}), Cell::yesNo(true)});
    db.addRow(m, {Cell::text("zweite"), Cell::null(), Cell::null(), Cell::text("x"), Cell::null(), Cell::null(), Cell::null(),
                  Cell::yesNo(false)});
    db.addTable("Leer", {{"A", ColumnType::Long}, {"B", ColumnType::Text, 10}});
    const int e = db.addTable("Eins", {{"Einzig", ColumnType::Text, 10}});
    db.addRow(e, {Cell::text("einzeln")});
    std::vector<Column> zehn;
    std::vector<Cell> werte;
    for (int i = 0; i < 10; ++i) {
        zehn.push_back({"F" + std::to_string(i), ColumnType::Long});
        werte.push_back(Cell::integer(i * 11));
    }
    const int z = db.addTable("Zehn", zehn);
    db.addRow(z, werte);
    const int a = db.addTable("Adressen Alt", {{"Kunde seit", ColumnType::Text, 20}, {"Straße Nr", ColumnType::Text, 30}, {"Größe", ColumnType::Long}});
    db.addRow(a, {Cell::text("1999"), Cell::text("Hauptstraße 1"), Cell::integer(180)});
    db.addRow(a, {Cell::text("2004"), Cell::text("Am Weg"), Cell::integer(170)});
    db.finish();
}

class Maskenpruefung : public FensterPruefung {
protected:
    void SetUp() override
    {
        Plattform::setzeBildschirm(std::make_shared<Plattform::FesterBildschirm>(15360, 11520));
        FensterPruefung::SetUp();
        fensterAnbinden(*fenster);
        waehle(QStringLiteral("kunden.mdb"));
        recorder->leeren();
    }
    void TearDown() override
    {
        Feldauswahl::entladen();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FensterPruefung::TearDown();
        Plattform::setzeBildschirm(nullptr);
    }
    void dateienAnlegen() override { kundenSchreiben(dir.filePath(QStringLiteral("kunden.mdb"))); }

    // "&Feldauswahl" on a table, as the user does it; the test fails if no mask came.
    frmVergleich* oeffnen(const QString& tabelle)
    {
        fenster->ImageCombo1->setzeText(tabelle);
        QTest::mouseClick(fenster->Command3, Qt::LeftButton);
        if (!Feldauswahl::maske())
            throw std::runtime_error("keine Maske für " + tabelle.toStdString());
        return Feldauswahl::maske();
    }

    static void klick(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    // The ticks of every row: "-" none, "S" search box, "I" info box, "SI" both.
    static QString haken(const frmVergleich& m)
    {
        QStringList z;
        for (int i = 0; i < m.FeldAnzahl; ++i) {
            const QString s = QString(m.zeile(i).fldSchalter->isChecked() ? "S" : "") + (m.zeile(i).fldSchalter2->isChecked() ? "I" : "");
            z << (s.isEmpty() ? QStringLiteral("-") : s);
        }
        return z.join(u' ');
    }

    // Deletions the unload asked for.
    static void aufraeumen() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

}  // namespace maskentest
