#pragma once
// The table content window: the rows of the current statement in a grid
// that fills the screen. Not modal; one instance, loaded anew at each
// opening after a close.

#include "Datengitter.h"
#include "GemeinsamerZustand.h"

#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

class frmTabelleninhalt : public QWidget {
    Q_OBJECT
public:
    // The one instance, created on first use.
    static frmTabelleninhalt& instanz();
    static bool vorhanden();

    explicit frmTabelleninhalt(QWidget* parent = nullptr);
    ~frmTabelleninhalt() override;

    Datengitter* DataGrid1;  // "Tabelleninhalt": the rows of the current statement
    QPushButton* Command1;   // "&zurück zur Suchmaske": closes the window

    // Seams: the reader of the grid's own connection, and how the main
    // window comes back when this one closes.
    Datenzugriff::Connection::LeserFabrik leserFabrik;
    std::function<void()> hauptfensterZeigen;

    // Shows the window: loads it when it is not open, else brings it forward.
    void zeigen();
    // Shows the window with record satz (from 1) selected and the cell of
    // the field in view; loads anew when the open window shows another
    // statement than the current one.
    void zeigenBeiSatz(std::int64_t satz, const QString& feld);
    bool geladen() const { return geladen_; }
    const GemeinsamerZustand::Quelle& quelle() const { return quelle_; }

    // The handlers.
    void Form_Load();
    void InhaltLaden();
    void Form_Resize();
    void Command1_Click();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    struct Ziel {
        std::int64_t zeile;
        QString feld;
    };
    void zielAnsteuern();
    void fehlerZeigen(const QString& text);
    void schadenZeigen(const QStringList& gruende);
    void rahmenAusgleichen();
    void knopfPlatzieren();

    bool geladen_ = false;
    bool fehlerGezeigt_ = false;
    GemeinsamerZustand::Quelle quelle_;
    std::optional<Ziel> ziel_;
};
