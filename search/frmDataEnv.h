#pragma once
// The main window: file choice, table choice, search string, the search run,
// the result list, and the doors to the protocol, the field selection mask
// and the table content window.

#include "Datenbankfunktion.h"
#include "Dateiwahl.h"
#include "Ergebnisliste.h"
#include "Nebenfenster.h"
#include "Trefferstelle.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QMainWindow>
#include <QPushButton>

#include <functional>
#include <vector>

class QAction;

class frmDataEnv : public QMainWindow, public Datenbankfunktion::Hauptfenster {
    Q_OBJECT
public:
    // The one instance, created on first use.
    static frmDataEnv& instanz();
    static bool vorhanden();

    explicit frmDataEnv(QWidget* parent = nullptr);
    ~frmDataEnv() override;

    // Controls, named as the program knows them, in tab order.
    QLineEdit* Text1;                // search string, read again at every event pass of a run
    QPushButton* Command1;           // "&Suche starten": the search run
    Laufwerksliste* Drive1;          // drive choice; sets the path of Dir1
    Verzeichnisliste* Dir1;          // directory choice; sets the path of File1
    QLabel* Label1;                  // "Laufwerk"
    QLabel* Label2;                  // "Verzeichnis"
    Dateiliste* File1;               // database file choice ("*.mdb", "*.accdb"); a click reconnects
    QLabel* Label3;                  // "Datenbank"
    QLabel* Label4;                  // "Suchstring in gewählter Tabelle:"
    QTreeView* List1;                // result list; a tree view lays out millions of uniform rows lazily
    QLineEdit* Text2;                // number of the record being searched
    QLabel* Label5;                  // "durchsuchte Satznummer:"
    QPushButton* Command2;           // "&Ergebnisliste öffnen": the protocol in the viewer
    QLabel* Label6;                  // "Suche über Wildcards", the caption of Check1
    QCheckBox* Check1;               // wildcard mode: ticked = each inner "*" stands for one character
    QPushButton* Command3;           // "&Feldauswahl": switches a selection off and opens the mask
    QLineEdit* Text3;                // state of the field selection: "aktiv" (on red) / "inaktiv"
    Tabellenauswahl* ImageCombo1;    // table choice; its text is the chosen table
    QLabel* Label7;                  // "ausgewählte Tabelle:"
    QPushButton* Command4;           // "&Tabelleninhalt anzeigen": the grid window
    QAction* mnuOeffnen;             // "&Datenbank öffnen…": a file dialog, then the file chosen in Drive1, Dir1, File1
    std::vector<QAction*> mnuZuletzt;  // the databases opened last, newest first
    QAction* mnubeenden;             // "&Programm beenden": unloads the other windows, then this one
    QAction* mnuWin7;                // "Hilfe für &Windows 7 und Vista Nutzer": a notice, then the help
    QAction* mnuHilfe;               // "&Hilfe aufrufen": the help file

    Ergebnisliste& ergebnisse() { return ergebnisse_; }
    bool suchlaufAktiv() const { return laeuft_; }
    void suchlaufAbbrechen() { abbruch_ = true; }

    // Seams: where the protocol lives, how programs and the help are started.
    std::function<QString()> protokollPfad;
    // gescheitert runs when the program cannot be started or ends with an
    // error (xdg-open without a program for text files).
    std::function<void(const QString& programm, const QStringList& argumente, std::function<void()> gescheitert)> programmStarten;
    static void prozessStarten(const QString& programm, const QStringList& argumente, std::function<void()> gescheitert);
    std::function<void(const QString& datei)> hilfeZeigen;
    std::function<QString(const QString& name)> programmSuchen;  // on the search path

    // The field selection mask and the table content window; null: none.
    void setzeNebenfenster(Nebenfenster* fenster) { nebenfenster_ = fenster; }
    Nebenfenster* nebenfenster() const { return nebenfenster_; }

    // Hauptfenster
    QString verzeichnisPfad() const override;
    QString gewaehlteDatei() const override;
    QString tabellenText() const override;
    void tabellenLeeren() override;
    void tabelleHinzufuegen(const QString& name) override;
    void ersteTabelleWaehlen() override;
    void zustandZeigen(bool aktiv) override;
    void tabellenHinweis(const QString& text) override;

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
    void List1_DblClick();  // a hit line: its record in the table content window

    // The program started with a file (from a file manager): it is chosen in
    // Drive1, Dir1 and File1 as if the user had clicked it.
    void dateiVorwaehlen(const QString& datei);
    void mnuOeffnen_Click();
    void mnuZuletzt_Click(int nummer);  // from 0
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
    class Laufsperre;

    // Runs a handler connected to a control. No error leaves it: an error of
    // the data-access component or any other ends the user's action with a
    // message, and the window goes on.
    void ausfuehren(void (frmDataEnv::*handler)());
    void ausfuehren(const std::function<void()>& handler);
    // Runs a user action; an error of the data-access component ends it
    // with a message instead of ending the program.
    bool handlung(const std::function<void()>& was);
    bool verbinden();
    bool tabelleninhaltVerbinden();  // Command4's reconnect: true when the window may open
    Trefferstelle::Herkunft jetzigeHerkunft() const;  // the file, table and statement chosen now
    // Switches a field selection off (unloading the mask when asked) and
    // reconnects; true when the action may go on.
    bool auswahlAusUndVerbinden(bool maskeEntladen);
    QString suchen();                  // the run inside the lock; the message of an error that ended it
    void suchverbindungSchliessen();   // closes Satzmenge and Verbindung after a run, on every exit
    void nachDemLauf();                // a close or program end asked for during the run
    void protokollImFensterZeigen(const QString& pfad);
    void wahlSperren(bool gesperrt);
    void zuletztZeigen();  // the entries of mnuZuletzt from the user's list
    void aufbauen();
    void menueAufbauen();
    void steuerelementeAufbauen();
    void anschliessen();

    Ergebnisliste ergebnisse_;
    QAction* zuletztTrenner_ = nullptr;
    Trefferstelle::Herkunft lauf_;     // the file, table and statement of the run that wrote List1
    Nebenfenster* nebenfenster_ = nullptr;
    bool laeuft_ = false;              // a search run is going; the handlers of the choice do nothing
    bool abbruch_ = false;             // the run ends at its next event pass (escape, close, program end)
    bool laufAbgebrochen_ = false;     // the last run was cancelled: its message says so
    bool schliessenNachLauf_ = false;  // the window was closed during the run
    bool beendenNachLauf_ = false;     // the program was ended during the run
};
