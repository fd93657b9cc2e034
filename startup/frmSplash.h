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

    QFrame* fraMainFrame;
    QLabel* ZELK_Logo;
    QLabel* Label1;
    QLabel* lblProductName;
    QLabel* lblPlatform;
    QLabel* lblVersion;
    QLabel* Label3;
    QLineEdit* Username;
    QLabel* lblCopyright;
    QPlainTextEdit* Text1;
    QLabel* Label2;
    QPushButton* Command1;

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
