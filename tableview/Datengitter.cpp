#include "Datengitter.h"

#include "Anordnung.h"
#include "Meldung.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Pixels beside the text in a cell and in a header section.
constexpr int ZellenRand = 14;
}

Gittertabelle::Gittertabelle(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows of one height: the view never measures a million of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(true);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { sichtMelden(); });
}

void Gittertabelle::sichtMelden()
{
    auto* m = qobject_cast<Inhaltsmodell*>(model());
    if (!m || m->rowCount() == 0)
        return;
    const int hoehe = std::max(1, verticalHeader()->defaultSectionSize());
    int erste = rowAt(0);
    if (erste < 0)
        erste = verticalScrollBar()->value();
    int letzte = rowAt(viewport()->height() - 1);
    if (letzte < 0)
        letzte = std::min(m->rowCount() - 1, erste + viewport()->height() / hoehe);
    m->sichtSetzen(erste, letzte);
}

void Gittertabelle::kopieren()
{
    auto* m = qobject_cast<Inhaltsmodell*>(model());
    if (!m || !selectionModel())
        return;
    std::vector<Gitterbereich::Rechteck> auswahl;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        auswahl.push_back({r.top(), r.bottom(), r.left(), r.right()});
    if (auswahl.empty() && currentIndex().isValid())
        auswahl.push_back({currentIndex().row(), currentIndex().row(), currentIndex().column(), currentIndex().column()});
    if (kopieOffen)
        QApplication::restoreOverrideCursor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    kopieOffen = true;
    if (!m->kopieren(auswahl)) {
        kopieOffen = false;
        QApplication::restoreOverrideCursor();
    }
}

void Gittertabelle::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        kopieren();
        e->accept();
        return;
    }
    QTableView::keyPressEvent(e);
}

void Gittertabelle::paintEvent(QPaintEvent* e)
{
    QTableView::paintEvent(e);
    if (nachDemMalen)
        nachDemMalen();
}

void Gittertabelle::resizeEvent(QResizeEvent* e)
{
    QTableView::resizeEvent(e);
    sichtMelden();
}

Datengitter::Datengitter(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    beschriftung = new QLabel(QStringLiteral("Tabelleninhalt"), this);
    beschriftung->setAlignment(Qt::AlignCenter);
    beschriftung->setAutoFillBackground(true);
    beschriftung->setBackgroundRole(QPalette::Button);
    beschriftung->setContentsMargins(0, 2, 0, 2);
    tabelle = new Gittertabelle(this);
    modell = new Inhaltsmodell(this);
    tabelle->setModel(modell);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(beschriftung);
    l->addWidget(tabelle);

    connect(modell, &Inhaltsmodell::geoeffnet, this, [this] {
        // The new rows' first screen is asked for once the view has laid them out.
        tabelle->sichtMelden();
        QTimer::singleShot(0, tabelle, [this] { tabelle->sichtMelden(); });
    });
    connect(modell, &Inhaltsmodell::blockGeladen, this, [this] {
        if (!angepasst_)
            angepasst_ = spaltenAnpassen();
    });
    connect(modell, &Inhaltsmodell::kopiert, this, [this](const QString& text) {
        kopieBeenden();
        QGuiApplication::clipboard()->setText(text);
        emit kopiert();
    });
    connect(modell, &Inhaltsmodell::kopierFehler, this, [this](const QString& text) {
        kopieBeenden();
        Plattform::Meldung(text, Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
    });
}

void Datengitter::vorbereiten(Datenzugriff::Connection::LeserFabrik fabrik, const QString& verbindungstext, const QString& anweisung)
{
    angepasst_ = false;
    modell->vorbereiten(std::move(fabrik), verbindungstext, anweisung);
}

void Datengitter::binden() { modell->freigeben(); }

void Datengitter::entbinden()
{
    modell->entbinden();
    angepasst_ = false;
    kopieBeenden();  // a copy under way ends with its loader
}

void Datengitter::kopieBeenden()
{
    if (!tabelle->kopieOffen)
        return;
    tabelle->kopieOffen = false;
    QApplication::restoreOverrideCursor();
}

std::pair<int, int> sichtbareZeilen(const QTableView& t, const Inhaltsmodell& m)
{
    const int erste = std::max(0, t.rowAt(0));
    int letzte = t.rowAt(t.viewport()->height() - 1);
    if (letzte < 0)
        letzte = m.rowCount() - 1;
    return {erste, letzte};
}

bool sichtbareZeilenGeladen(const QTableView& t, const Inhaltsmodell& m)
{
    const auto [erste, letzte] = sichtbareZeilen(t, m);
    for (int z = erste; z <= letzte; ++z)
        if (!m.zeileGeladen(z))
            return false;
    return true;
}

bool Datengitter::spaltenAnpassen()
{
    if (!sichtbareZeilenGeladen(*tabelle, *modell))
        return false;
    const auto [erste, letzte] = sichtbareZeilen(*tabelle, *modell);
    const QFontMetrics zellen = tabelle->fontMetrics();
    const QFontMetrics kopf = tabelle->horizontalHeader()->fontMetrics();
    const int hoechstens = std::max(120, tabelle->viewport()->width() / 3);
    for (int s = 0; s < modell->columnCount(); ++s) {
        std::vector<int> breiten;
        for (int z = erste; z <= letzte; ++z)
            breiten.push_back(zellen.horizontalAdvance(modell->data(modell->index(z, s), Qt::DisplayRole).toString()));
        const int kopfBreite = kopf.horizontalAdvance(modell->headerData(s, Qt::Horizontal, Qt::DisplayRole).toString());
        tabelle->setColumnWidth(s, Anordnung::spaltenBreite(kopfBreite, breiten, ZellenRand, hoechstens));
    }
    return true;
}
