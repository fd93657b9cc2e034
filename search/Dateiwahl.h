#pragma once
// The three chained lists of the file choice, as a user of the old drive,
// directory and file list boxes knows them, on a Linux file system.

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

// Drive1: the roots a user picks from: "/", the home directory, mounted volumes.
class Laufwerksliste : public QComboBox {
    Q_OBJECT
public:
    explicit Laufwerksliste(QWidget* parent = nullptr);
    QString laufwerk() const;  // the chosen root, ending in "/"
    static QStringList wurzeln();

signals:
    void geaendert();  // the user chose another root
};

// Dir1: the chain of parents of the current directory, then its
// subdirectories. Double-click or Enter opens a directory.
class Verzeichnisliste : public QListWidget {
    Q_OBJECT
public:
    explicit Verzeichnisliste(QWidget* parent = nullptr);
    const QString& pfad() const { return pfad_; }  // without closing "/", except the root
    void setzePfad(const QString& pfad);           // raises geaendert() when the path changes
    void aktualisieren();

signals:
    void geaendert();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void oeffnen(QListWidgetItem* eintrag);
    QString pfad_;
};

// File1: the database files of a directory ("*.mdb", "*.accdb"), in any case.
class Dateiliste : public QListWidget {
    Q_OBJECT
public:
    explicit Dateiliste(QWidget* parent = nullptr);
    const QString& pfad() const { return pfad_; }
    void setzePfad(const QString& pfad);
    void aktualisieren();
    QString gewaehlteDatei() const;  // entry at the selected index, empty without one

signals:
    void angeklickt();  // the user selected an entry (mouse or keyboard)

private:
    QString pfad_;
    bool fuellen_ = false;
};

// The databases opened last, newest first, each once: datei moves to the
// front, the list keeps at most hoechstens entries.
QStringList zuletztGeoeffnet(QStringList liste, const QString& datei, qsizetype hoechstens = 5);

// Where Dir1 begins in an installed program: the folder of the last database
// that is still there, else the home folder.
QString startverzeichnis(const QStringList& zuletzt, const QString& heim);

// ImageCombo1: entries in insertion order, text independent of the entries.
// The change handler runs when the user picks or types another table, the
// list handler when the user opens the list; never for the program's own
// changes.
class Tabellenauswahl : public QComboBox {
    Q_OBJECT
public:
    explicit Tabellenauswahl(QWidget* parent = nullptr);
    QString text() const;
    void setzeText(const QString& text);      // without the change handler
    void eintraegeLeeren();                   // keeps the text
    void eintragHinzufuegen(const QString& name);
    void eintragWaehlen(int nummer);          // from 1, without the change handler
    void showPopup() override;

signals:
    void tabelleGeaendert();
    void listeGeoeffnet();

private:
    bool programm_ = false;
    bool getippt_ = false;
};
