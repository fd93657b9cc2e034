#pragma once
// The main window: file choice, table choice, search string, the search run,
// the result list, and the doors to the protocol, the field selection mask
// and the table content window.

#include "Datenbankfunktion.h"
#include "Dateiwahl.h"
#include "Ergebnisliste.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QMainWindow>
#include <QPushButton>

#include <functional>

class QAction;

class frmDataEnv : public QMainWindow, public Datenbankfunktion::Hauptfenster {
    Q_OBJECT
public:
    // The one instance, created on first use.
    static frmDataEnv& instanz();
    static bool vorhanden();

    explicit frmDataEnv(QWidget* parent = nullptr);
    ~frmDataEnv() override;

    // Controls, named as the program knows them.
    QLineEdit* Text1;
    QPushButton* Command1;
    Laufwerksliste* Drive1;
    Verzeichnisliste* Dir1;
    QLabel* Label1;
    QLabel* Label2;
    Dateiliste* File1;
    QLabel* Label3;
    QLabel* Label4;
    QTreeView* List1;  // a list; the tree view lays out millions of uniform rows lazily
    QLineEdit* Text2;
    QLabel* Label5;
    QPushButton* Command2;
    QLabel* Label6;
    QCheckBox* Check1;
    QPushButton* Command3;
    QLineEdit* Text3;
    Tabellenauswahl* ImageCombo1;
    QLabel* Label7;
    QPushButton* Command4;
    QAction* mnubeenden;
    QAction* mnuWin7;
    QAction* mnuHilfe;

    Ergebnisliste& ergebnisse() { return ergebnisse_; }
    bool suchlaufAktiv() const { return laeuft_; }
    void suchlaufAbbrechen() { abbruch_ = true; }

    // Seams: where the protocol lives, how programs and the help are started.
    std::function<QString()> protokollPfad;
    std::function<bool(const QString& programm, const QStringList& argumente)> programmStarten;
    std::function<void(const QString& datei)> hilfeZeigen;
    std::function<QString(const QString& name)> programmSuchen;  // on the search path

    // Doors to the later windows; the mask and the table window set them.
    static std::function<void()> feldauswahlZeigen;
    static std::function<void()> feldauswahlEntladen;
    static std::function<void()> tabelleninhaltZeigen;
    static std::function<void()> tabelleninhaltEntladen;

    // Hauptfenster
    QString verzeichnisPfad() const override;
    QString gewaehlteDatei() const override;
    QString tabellenText() const override;
    void tabellenLeeren() override;
    void tabelleHinzufuegen(const QString& name) override;
    void ersteTabelleWaehlen() override;
    void zustandZeigen(bool aktiv) override;

    // The handlers.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void ImageCombo1_Change();
    void ImageCombo1_Dropdown();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void mnubeenden_Click();
    void mnuHilfe_Click();
    void mnuWin7_Click();

signals:
    // A search run starts (true) or has ended (false); the field selection
    // mask, which the run reads, takes no input meanwhile.
    void suchlaufGeaendert(bool laeuft);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Runs a user action; an error of the data-access component ends it
    // with a message instead of ending the program.
    bool handlung(const std::function<void()>& was);
    bool verbinden();
    void protokollImFensterZeigen(const QString& pfad);
    void wahlSperren(bool gesperrt);
    void aufbauen();

    Ergebnisliste ergebnisse_;
    bool laeuft_ = false;
    bool abbruch_ = false;
    bool schliessenNachLauf_ = false;
    bool beendenNachLauf_ = false;
};
