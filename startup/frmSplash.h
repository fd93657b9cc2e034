#pragma once
// The start-up window: its load runs the environment checks, it then waits
// for the user, and its unload hands over to the main window.

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

    // The load: the start-up sequence, before the window is shown. When the
    // environment is unusable it shows the message and ends the program
    // through Plattform::programmEnde().
    void laden();

    // Called once by the unload, however the window is closed.
    static void setzeHauptfensterZeigen(std::function<void()> zeigen);

    // Design rectangle of a control in twips, relative to its parent.
    struct Rechteck {
        int links, oben, breite, hoehe;
    };
    static Rechteck entwurf(const QWidget* control);

    // Controls, named as the program knows them.
    QFrame* fraMainFrame;       // holds all other controls; a click on it closes the window
    QLabel* ZELK_Logo;          // the product logo
    QLabel* Label1;             // "Programmname:"
    QLabel* lblProductName;     // the product name, set by the load
    QLabel* lblPlatform;        // "Plattform: Windows 95/98/Me/XP/2000"
    QLabel* lblVersion;         // "Version: " major.minor.revision, set by the load
    QLabel* Label3;             // "Anwendername:"
    QLineEdit* Username;        // the current user's name, set by the load
    QLabel* lblCopyright;       // "Copyright: " and the legal notice
    QPlainTextEdit* Text1;      // the program's comments
    QLabel* Label2;             // the data-access version text of the component check
    QPushButton* Command1;      // "Weiter": closes the window, which opens the main window

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    void platzieren(QWidget* w, Rechteck r);
    void autoGroesse(QLabel* label);

    double dpi_;
    bool rahmenGedrueckt_ = false;
    bool entladen_ = false;
};
