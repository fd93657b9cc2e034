#include "frmTabelleninhalt.h"

#include "Anordnung.h"
#include "Anweisung.h"
#include "Fehler.h"
#include "Meldung.h"
#include "Programmkennung.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace {

frmTabelleninhalt* instanz_ = nullptr;

double dpi() { return Plattform::bildschirm().punkteProZoll(); }
int px(int twips) { return Plattform::twipsZuPixel(twips, dpi()); }
int twips(int pixel) { return Plattform::pixelZuTwips(pixel, dpi()); }

// Edges are converted, not sizes, so that neighbouring edges stay on one pixel.
void platzieren(QWidget* w, const Anordnung::Rechteck& r)
{
    const int links = px(r.links), oben = px(r.oben);
    w->setGeometry(links, oben, px(r.links + r.breite) - links, px(r.oben + r.hoehe) - oben);
}

QString fehlerText(const std::exception& e)
{
    if (const auto* d = dynamic_cast<const Datenzugriff::DatenzugriffsFehler*>(&e))
        return d->Description();
    return QString::fromLocal8Bit(e.what());
}

}  // namespace

frmTabelleninhalt& frmTabelleninhalt::instanz()
{
    if (!instanz_)
        new frmTabelleninhalt;
    return *instanz_;
}

bool frmTabelleninhalt::vorhanden() { return instanz_ != nullptr; }

frmTabelleninhalt::frmTabelleninhalt(QWidget* parent) : QWidget(parent, Qt::Window)
{
    instanz_ = this;
    leserFabrik = [] { return Datenzugriff::erzeugeProzessLeser(); };
    QFont schrift(QStringLiteral("Liberation Sans"));
    schrift.setPointSizeF(8.25);
    setFont(schrift);
    DataGrid1 = new Datengitter(this);
    Command1 = new QPushButton(QStringLiteral("&zurück zur Suchmaske"), this);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(DataGrid1->modell, &Inhaltsmodell::geoeffnet, this, [this] { zielAnsteuern(); });
    // A record beyond the first estimate of the rows is reached once they are counted.
    connect(DataGrid1->modell, &Inhaltsmodell::gezaehlt, this, [this] {
        if (ziel_)
            zielAnsteuern();
    });
    connect(DataGrid1->modell, &Inhaltsmodell::ladefehler, this, [this](const QString& text) { fehlerZeigen(text); });
    connect(DataGrid1->modell, &Inhaltsmodell::beschaedigt, this, [this](const QStringList& gruende) { schadenZeigen(gruende); });
}

frmTabelleninhalt::~frmTabelleninhalt()
{
    if (instanz_ == this)
        instanz_ = nullptr;
}

void frmTabelleninhalt::zeigen()
{
    if (geladen_ && isVisible()) {
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
        return;
    }
    Form_Load();
}

void frmTabelleninhalt::zeigenBeiSatz(std::int64_t satz, const QString& feld)
{
    ziel_ = Ziel{satz - 1, feld};
    if (!geladen_ || !isVisible()) {
        Form_Load();
        return;
    }
    zeigen();
    const bool gleicheQuelle = quelle_ == GemeinsamerZustand::aktuelleQuelle() && DataGrid1->modell->gebunden();
    if (!gleicheQuelle)
        InhaltLaden();
    else if (DataGrid1->modell->istGeoeffnet())
        zielAnsteuern();
}

void frmTabelleninhalt::Form_Load()
{
    setWindowTitle(Programmkennung::fensterTitel());
    const auto& b = Plattform::bildschirm();
    resize(px(b.breiteTwips()), px(b.hoeheTwips()));
    Form_Resize();
    DataGrid1->hide();
    knopfPlatzieren();
    move(0, 0);
    show();
    rahmenAusgleichen();
    geladen_ = true;
    InhaltLaden();
    DataGrid1->show();
    DataGrid1->tabelle->setFocus();
}

// Placed at load only: resizing leaves the button where it is.
void frmTabelleninhalt::knopfPlatzieren()
{
    platzieren(Command1, Anordnung::knopf(Anordnung::gitter(twips(width()), twips(height())).breite));
}

// The screen size is the window's outer size; a window frame, known once the
// window is shown, is taken off the inner size, still while loading.
void frmTabelleninhalt::rahmenAusgleichen()
{
    const QSize rahmen = frameGeometry().size() - geometry().size();
    if (rahmen.width() > 0 || rahmen.height() > 0) {
        const auto& b = Plattform::bildschirm();
        resize(std::max(0, px(b.breiteTwips()) - rahmen.width()), std::max(0, px(b.hoeheTwips()) - rahmen.height()));
        move(0, 0);
        knopfPlatzieren();
    }
}

void frmTabelleninhalt::InhaltLaden()
{
    namespace G = GemeinsamerZustand;
    setCursor(Qt::WaitCursor);
    fehlerGezeigt_ = false;
    quelle_ = G::aktuelleQuelle();
    // The grid's own cursor belongs to the statement it is opened on; its
    // reader starts now, beside the steps on the shared recordset.
    DataGrid1->entbinden();
    DataGrid1->vorbereiten(leserFabrik, quelle_.verbindungstext, quelle_.anweisung);
    try {
        if (G::satzmengeOffen())
            G::satzmengeSchliessen();
        G::satzmengeKeysetOeffnen();
        if (G::satzmengeAnzahl() != 0) {
            G::satzmengeZumErstenSatz();
            DataGrid1->binden();
            G::satzmengeZumErstenSatz();
        } else {
            DataGrid1->entbinden();
            Plattform::Meldung(QStringLiteral("Keine Tabelleninhalte gegeben!"), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
            G::satzmengeSchliessen();
        }
    } catch (const std::exception& e) {
        DataGrid1->entbinden();
        fehlerZeigen(fehlerText(e));
    }
    unsetCursor();
}

void frmTabelleninhalt::fehlerZeigen(const QString& text)
{
    // One message per load: a damaged file can spoil many blocks.
    if (fehlerGezeigt_)
        return;
    fehlerGezeigt_ = true;
    Plattform::Meldung(QStringLiteral("Die Tabelleninhalte von „%1“ können nicht gelesen werden:").arg(quelle_.datei) + u'\r' + text,
                       Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
}

void frmTabelleninhalt::schadenZeigen(const QStringList& gruende)
{
    const auto anweisung = Datenzugriff::anweisungLesen(quelle_.anweisung);
    const QString tabelle = anweisung ? anweisung->tabelle : QString();
    QStringList zeilen{QStringLiteral("Die Tabelle „%1“ der Datei „%2“ ist beschädigt.").arg(tabelle, quelle_.datei)};
    zeilen << gruende << QStringLiteral("Angezeigt werden alle lesbaren Sätze; die Sätze in den beschädigten Teilen fehlen.");
    Plattform::Meldung(zeilen.join(u'\r'), Plattform::Symbol::Ausruf, Plattform::Knoepfe::OK);
}

void frmTabelleninhalt::zielAnsteuern()
{
    Inhaltsmodell* m = DataGrid1->modell;
    Gittertabelle* t = DataGrid1->tabelle;
    if (m->rowCount() == 0)
        return;
    const bool gegeben = ziel_.has_value();
    const auto ziel = ziel_.value_or(Ziel{0, QString()});
    if (gegeben && ziel.zeile >= m->rowCount() && !m->istGezaehlt())
        return;
    ziel_.reset();
    if (ziel.zeile < 0 || ziel.zeile >= m->rowCount()) {
        t->setCurrentIndex(m->index(0, 0));
        return;
    }
    const QModelIndex i = m->index(int(ziel.zeile), std::max(0, m->spalteVon(ziel.feld)));
    t->setCurrentIndex(i);
    if (gegeben) {
        t->selectionModel()->select(i, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        t->scrollTo(i, QAbstractItemView::PositionAtCenter);
    }
}

void frmTabelleninhalt::Form_Resize()
{
    platzieren(DataGrid1, Anordnung::gitter(twips(width()), twips(height())));
}

void frmTabelleninhalt::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Form_Resize();
}

void frmTabelleninhalt::Command1_Click() { close(); }

void frmTabelleninhalt::closeEvent(QCloseEvent* e)
{
    if (geladen_) {
        // Only the recordset this window opened is released: when the main
        // window has reopened Satzmenge since (a search, another table), it
        // is that action's recordset, and a search may be reading it.
        try {
            if (GemeinsamerZustand::satzmengeVomFenster())
                GemeinsamerZustand::satzmengeFreigeben();
        } catch (const std::exception&) {
        }
        DataGrid1->entbinden();
        geladen_ = false;
        ziel_.reset();
    }
    e->accept();
    if (hauptfensterZeigen)
        hauptfensterZeigen();
}
