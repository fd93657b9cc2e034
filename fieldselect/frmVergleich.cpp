#include "frmVergleich.h"

#include "Anbindung.h"
#include "Auswahlmodell.h"
#include "Datenzugriff.h"
#include "Feldauswahl.h"
#include "Meldung.h"
#include "Programmkennung.h"
#include "Werttext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>
#include <QWindow>

#include <memory>

namespace {

frmVergleich* instanz_ = nullptr;

// 0x00BBGGRR: blue, green, red bytes.
QColor farbe(unsigned bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

QFont schrift(const char* familie, double punkte, bool fett = false)
{
    QFont f(QString::fromLatin1(familie));
    f.setPointSizeF(punkte);
    f.setBold(fett);
    return f;
}

const QString SchalterTipp = QStringLiteral("Anklicken, wenn in diesem Feld nach dem Suchstring gesucht werden soll");
const QString Schalter2Tipp = QStringLiteral(
    "Anklicken, wenn dieses Feld grundsätzlich mit gelistet werden soll, wenn im gleichen Satz der Suchstring gefunden wurde");

// Apply and reset end with a new connection and an empty result list. The
// mask may be gone by then, so this touches nothing of it.
void verbindenUndLeeren()
{
    try {
        Anbindung::datenbankVerbinden();
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        Plattform::Meldung(e.Description(), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        return;
    }
    Anbindung::ergebnislisteLeeren();
}

}  // namespace

frmVergleich::frmVergleich()
{
    dpi_ = Plattform::bildschirm().punkteProZoll();
    aufbauen();
    Anbindung::suchlaufBeobachten(this, [this](bool laeuft) { sperren(laeuft); });
}

frmVergleich::~frmVergleich()
{
    if (Suche::feldmaske() == this)
        Suche::setzeFeldmaske(nullptr);
    if (instanz_ == this)
        instanz_ = nullptr;
}

int frmVergleich::px(int twips) const { return Plattform::twipsZuPixel(twips, dpi_); }

// The design: fixed controls and element 0 of the arrays, created in the
// design tab order (VScroll1, Frame1, fldType, fldSchalter, fldAttrib,
// fldFeld, LabelScrollmodus, fldBez, Command1..3, fldSchalter2, Text1).
// The design's controls in the design's order of creation, which is the
// order of the Tab key: the bar, the first row, the buttons, the row's info box.
void frmVergleich::aufbauen()
{
    setFont(schrift("Liberation Sans", 8.25));
    setAutoFillBackground(true);
    rahmenAufbauen();
    Zeile z = ersteZeileAufbauen();

    Command1 = new QPushButton(QStringLiteral("&Auswahl übernehmen"), this);
    Command1->setGeometry(px(8640), px(120), px(1935), px(495));
    Command2 = new QPushButton(QStringLiteral("A&uswahl zurücksetzen"), this);
    Command2->setGeometry(px(8640), px(840), px(1935), px(495));
    Command3 = new QPushButton(QStringLiteral("Abbru&ch"), this);
    Command3->setGeometry(px(8640), px(1680), px(1935), px(615));
    z.fldSchalter2 = new QCheckBox(QStringLiteral("Check1"), z.traeger);
    z.fldSchalter2->setGeometry(px(1680), 0, px(255), px(255));
    z.fldSchalter2->setToolTip(Schalter2Tipp);
    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setGeometry(px(8640), px(2400), px(1215), px(375));
    Text1->hide();

    zeilen_.push_back(z);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(z.fldSchalter, &QCheckBox::clicked, this, [this] { fldSchalter_Click(0); });
    connect(z.fldSchalter2, &QCheckBox::clicked, this, [this] { fldSchalter2_Click(0); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
}

// The scroll bar, the frame, the area the rows stand on and the scrolling label.
void frmVergleich::rahmenAufbauen()
{
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    VScroll1->setGeometry(px(14160), px(480), px(255), px(4215));
    VScroll1->setRange(1, 32767);
    VScroll1->setValue(1);
    VScroll1->setSingleStep(1);

    Frame1 = new QGroupBox(QStringLiteral("Datenbankfelder Auswahlmaske"), this);
    Frame1->setGeometry(0, px(120), px(8445), px(2625));
    Frame1->setAutoFillBackground(true);
    QPalette gruen = Frame1->palette();
    gruen.setColor(QPalette::Window, farbe(0x00C0FFC0));
    Frame1->setPalette(gruen);
    Frame1->installEventFilter(this);

    // The rows stand on one area inside the frame, each on a carrier of the
    // row's height: scrolling moves the area and shows or hides whole rows.
    flaeche_ = new QWidget(Frame1);
    flaeche_->setGeometry(0, 0, px(8445), px(2625));

    LabelScrollmodus = new QLabel(QStringLiteral("Scrollmodus aktiv / Scrolling is aktiv"), Frame1);
    LabelScrollmodus->setGeometry(px(120), px(2040), px(9735), px(285));
    LabelScrollmodus->setFont(schrift("Liberation Sans", 9.75, true));
    LabelScrollmodus->setAutoFillBackground(true);
    QPalette orange = LabelScrollmodus->palette();
    orange.setColor(QPalette::Window, farbe(0x000080FF));
    LabelScrollmodus->setPalette(orange);
    LabelScrollmodus->hide();
}

// Row 0 of the design without its info box, which comes after the buttons.
frmVergleich::Zeile frmVergleich::ersteZeileAufbauen()
{
    Zeile z{};
    z.traeger = new QWidget(flaeche_);
    z.traeger->setGeometry(0, px(240), px(8445), px(285));
    z.fldType = new Anzeigefeld(QStringLiteral("Type"), z.traeger);
    z.fldType->setGeometry(px(600), 0, px(495), px(285));
    z.fldType->setToolTip(QStringLiteral("Feldtyp / Fieldtype"));
    z.fldSchalter = new QCheckBox(QStringLiteral("Check1"), z.traeger);
    z.fldSchalter->setGeometry(px(1320), 0, px(255), px(255));
    z.fldSchalter->setToolTip(SchalterTipp);
    z.fldAttrib = new Anzeigefeld(QStringLiteral("Attrib"), z.traeger);
    z.fldAttrib->setGeometry(px(120), 0, px(375), px(285));
    z.fldAttrib->setToolTip(QStringLiteral("Attribut des Feldes/Attribut of Field"));
    z.fldFeld = new Anzeigefeld(QStringLiteral("Inhalt"), z.traeger);
    z.fldFeld->setGeometry(px(3360), 0, px(4815), px(285));
    z.fldBez = new QLabel(QStringLiteral("Feldbezeichnung"), z.traeger);
    z.fldBez->setGeometry(px(2280), 0, px(1050), px(225));
    z.fldBez->setFont(schrift("Liberation Sans Narrow", 8.25));
    z.fldBez->setTextFormat(Qt::PlainText);  // a field name is never markup
    return z;
}

// A copy of the current state of element 0 on a hidden carrier; the
// handlers know it by the index it gets as the next row.
frmVergleich::Zeile frmVergleich::zeileErzeugen()
{
    const Zeile& v = zeilen_.front();
    const int j = int(zeilen_.size());
    Zeile z{};
    z.traeger = new QWidget(flaeche_);
    z.traeger->hide();
    z.traeger->setGeometry(v.traeger->geometry());
    auto textbox = [&z](const Anzeigefeld* muster) {
        auto* e = new Anzeigefeld(muster->text(), z.traeger);
        e->setGeometry(muster->geometry());
        e->setToolTip(muster->toolTip());
        return e;
    };
    auto kasten = [&z](const QCheckBox* muster) {
        auto* c = new QCheckBox(muster->text(), z.traeger);
        c->setGeometry(muster->geometry());
        c->setToolTip(muster->toolTip());
        return c;
    };
    z.fldAttrib = textbox(v.fldAttrib);
    z.fldType = textbox(v.fldType);
    z.fldSchalter = kasten(v.fldSchalter);
    z.fldSchalter2 = kasten(v.fldSchalter2);
    z.fldBez = new QLabel(v.fldBez->text(), z.traeger);
    z.fldBez->setFont(v.fldBez->font());
    z.fldBez->setTextFormat(Qt::PlainText);
    z.fldBez->setGeometry(v.fldBez->geometry());
    z.fldFeld = textbox(v.fldFeld);
    connect(z.fldSchalter, &QCheckBox::clicked, this, [this, j] { fldSchalter_Click(j); });
    connect(z.fldSchalter2, &QCheckBox::clicked, this, [this, j] { fldSchalter2_Click(j); });
    return z;
}

// Row i from field i: attribute and type codes in decimal, the name, and the
// value text of the current record as the search sees it. A binary value
// has no value text (the search never finds it), so its box is empty and 0
// wide; Null or no record shows two blanks.
void frmVergleich::zeileFuellen(int i, const Datenzugriff::Recordset& satzmenge, const Datenzugriff::Werttext& werttext)
{
    const Zeile& z = zeilen_[std::size_t(i)];
    const Datenzugriff::Field& feld = satzmenge.fields().Item(i);
    z.fldAttrib->setText(QString::number(feld.Attributes()));
    z.fldType->setText(QString::number(feld.Type()));
    z.fldBez->setText(feld.Name());
    QString muster = QString::fromUtf16(Maskenlayout::LeeresMuster);
    if (!satzmenge.Eof() && !feld.Value().istNull())
        muster = werttext.text(feld.Value());
    z.fldFeld->setText(muster);
    z.fldFeld->resize(px(Maskenlayout::inhaltBreite(muster.size(), BreiteInhalt)), z.fldFeld->height());
}

// Load steps 1 to 8, 10 and 11: the window, the frame, the buttons, row 0
// and the bar after the screen.
void frmVergleich::masseAnwenden(const Maskenlayout::Masse& m)
{
    using namespace Maskenlayout;
    masse_ = m;
    QPalette cyan = palette();
    cyan.setColor(QPalette::Window, farbe(0x00FFFF80));
    setPalette(cyan);
    setWindowTitle(Programmkennung::fensterTitel());
    fensterPlatzieren();
    Frame1->setGeometry(0, px(FrameOben), px(m.frameBreite), px(m.frameHoehe));
    flaeche_->setGeometry(0, 0, px(m.frameBreite), px(m.frameHoehe));
    for (QPushButton* b : {Command1, Command2, Command3})
        b->move(px(m.knopfLinks), b->y());

    const Zeile& z0 = zeilen_.front();
    BreiteBez = m.breiteBez;
    BreiteInhalt = m.breiteInhalt;
    z0.fldAttrib->setGeometry(px(m.attribLinks), z0.fldAttrib->y(), px(AttribBreite), px(ZeilenHoehe));
    z0.fldType->setGeometry(px(m.typeLinks), z0.fldType->y(), px(AttribBreite), px(ZeilenHoehe));
    z0.fldSchalter->setGeometry(px(m.schalterLinks), z0.fldSchalter->y(), z0.fldSchalter->width(), px(ZeilenHoehe));
    z0.fldSchalter2->setGeometry(px(m.schalter2Links), z0.fldSchalter2->y(), z0.fldSchalter2->width(), px(ZeilenHoehe));
    z0.fldBez->setGeometry(px(m.bezLinks), z0.fldBez->y(), px(m.breiteBez), px(ZeilenHoehe));
    z0.fldFeld->resize(z0.fldFeld->width(), px(ZeilenHoehe));
    z0.traeger->resize(px(m.frameBreite), px(ZeilenHoehe));
    VScroll1->setGeometry(px(m.scrollLinks), px(m.scrollOben), VScroll1->width(), px(m.scrollHoehe));
    VScroll1->setPageStep(m.grosserSchritt);
}

void frmVergleich::laden(const Datenzugriff::Recordset& satzmenge, const Plattform::Bildschirm& bildschirm)
{
    using namespace Maskenlayout;
    setUpdatesEnabled(false);
    masseAnwenden(Maskenlayout::masse(bildschirm.breiteTwips(), bildschirm.hoeheTwips()));
    FeldAnzahl = satzmenge.fields().Count();
    Text1->setText(QString::number(FeldAnzahl));
    // Set at load already, so every value the bar can take is one the
    // layout rules cover. One field (or none) leaves nothing to scroll.
    VScroll1->setRange(1, std::max<int>(1, scrollMaximum(FeldAnzahl)));

    const Datenzugriff::Werttext werttext(QLocale::system());
    if (FeldAnzahl == 0) {
        zeilen_.front().traeger->hide();  // no field, no row 0
        zeilen_.clear();
    } else {
        zeileFuellen(0, satzmenge, werttext);
    }
    zeilen_.reserve(std::size_t(std::max(FeldAnzahl, 1)));
    for (int i = 1; i < FeldAnzahl; ++i) {
        zeilen_.push_back(zeileErzeugen());
        const Zeile& z = zeilen_.back();
        z.traeger->move(0, px(slotOben(i)));
        zeileFuellen(i, satzmenge, werttext);
        z.traeger->show();
    }
    // The area holds every row; the frame cuts off what lies below it.
    flaeche_->resize(flaeche_->width(), std::max(flaeche_->height(), px(slotOben(FeldAnzahl))));
    allesAbhaken();
    setUpdatesEnabled(true);
    Suche::setzeFeldmaske(this);
    sperren(Anbindung::suchlaufAktiv());
}

// Left, Top, Width and Height of a window are those of its frame; the frame
// is known once the window is shown.
void frmVergleich::fensterPlatzieren()
{
    const QMargins rand = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(px(masse_.fensterBreite) - rand.left() - rand.right(), px(masse_.fensterHoehe) - rand.top() - rand.bottom());
    move(0, 0);
}

void frmVergleich::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        fensterPlatzieren();
}

void frmVergleich::allesAbhaken()
{
    for (const Zeile& z : zeilen_) {
        z.fldSchalter->setChecked(false);
        z.fldSchalter2->setChecked(false);
    }
}

// --- the selection --------------------------------------------------------------

void frmVergleich::Command1_Click()
{
    if (gesperrt_)
        return;
    std::vector<Auswahlmodell::Zeile> wahl;
    wahl.reserve(zeilen_.size());
    for (const Zeile& z : zeilen_)
        wahl.push_back({z.fldBez->text(), z.fldSchalter->isChecked(), z.fldSchalter2->isChecked()});
    Auswahlmodell::Auswahl a;
    try {
        a = Auswahlmodell::uebernehmen(wahl, Anbindung::tabellenname());
    } catch (const Auswahlmodell::Ueberlauf&) {
        Plattform::Meldung(QStringLiteral("Überlauf"), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        return;
    }
    Anbindung::auswahlSetzen(a.abfrage, a.anzahl);
    Plattform::Meldung(QStringLiteral("Auswahl wird jetzt zur Suche verwendet!"), Plattform::Symbol::Information, Plattform::Knoepfe::OK);
    hide();
    verbindenUndLeeren();
}

void frmVergleich::Command2_Click()
{
    if (gesperrt_)
        return;
    Anbindung::auswahlAnzahlSetzen(0);
    allesAbhaken();
    Plattform::Meldung(QStringLiteral("Auswahl wird nicht zur Suche verwendet!"), Plattform::Symbol::Information, Plattform::Knoepfe::OK);
    entladen();
    verbindenUndLeeren();
}

void frmVergleich::Command3_Click()
{
    if (gesperrt_)
        return;
    entladen();
}

void frmVergleich::fldSchalter_Click(int j)
{
    const Zeile& z = zeilen_.at(std::size_t(j));
    z.fldSchalter2->setChecked(Auswahlmodell::andereBox(z.fldSchalter->isChecked(), z.fldSchalter2->isChecked()));
}

void frmVergleich::fldSchalter2_Click(int j)
{
    const Zeile& z = zeilen_.at(std::size_t(j));
    z.fldSchalter->setChecked(Auswahlmodell::andereBox(z.fldSchalter2->isChecked(), z.fldSchalter->isChecked()));
}

// --- scrolling ---------------------------------------------------------------------

// Every shown row stands in its loaded slot moved by the same distance, so
// the area moves once and only rows that change visibility are touched.
void frmVergleich::VScroll1_Change()
{
    const int maximum = std::max<int>(1, Maskenlayout::scrollMaximum(FeldAnzahl));
    if (VScroll1->maximum() != maximum)
        VScroll1->setMaximum(maximum);
    const Maskenlayout::Scrolllage lage = Maskenlayout::scrolllage(FeldAnzahl, VScroll1->value());
    LabelScrollmodus->move(LabelScrollmodus->x(), px(lage.labelOben));
    LabelScrollmodus->setVisible(lage.labelSichtbar);
    flaeche_->move(0, px(Maskenlayout::ZeileOben + lage.verschiebung) - px(Maskenlayout::ZeileOben));
    for (std::size_t i = 0; i < zeilen_.size(); ++i)
        if (zeilen_[i].traeger->isHidden() == lage.zeilen[i].sichtbar)
            zeilen_[i].traeger->setVisible(lage.zeilen[i].sichtbar);
    Frame1->update();  // one paint for the whole change, also while the thumb is dragged
}

bool frmVergleich::eventFilter(QObject* o, QEvent* e)
{
    // The wheel over the rows moves the bar, as over the bar itself.
    if (o == Frame1 && e->type() == QEvent::Wheel) {
        QCoreApplication::sendEvent(VScroll1, e);
        return true;
    }
    return QWidget::eventFilter(o, e);
}

// --- a search run reads the mask ------------------------------------------------

// The run reads the rows and must find them unchanged; the buttons would
// reconnect under it or unload the mask it holds. The bar stays usable.
void frmVergleich::sperren(bool gesperrt)
{
    gesperrt_ = gesperrt;
    for (QWidget* w : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2), static_cast<QWidget*>(Command3)})
        w->setEnabled(!gesperrt);
    for (const Zeile& z : zeilen_) {
        z.fldSchalter->setEnabled(!gesperrt);
        z.fldSchalter2->setEnabled(!gesperrt);
    }
    if (!gesperrt && entladenNachLauf_) {
        entladenNachLauf_ = false;
        entladen();
    }
}

void frmVergleich::entladen()
{
    if (entladen_)
        return;
    if (gesperrt_) {
        entladenNachLauf_ = true;
        return;
    }
    entladen_ = true;
    if (Auswahlmodell::schliessenLeert(isVisible(), focusWidget() == Command3)) {
        Anbindung::auswahlAnzahlSetzen(0);
        allesAbhaken();
    }
    if (Suche::feldmaske() == this)
        Suche::setzeFeldmaske(nullptr);
    if (instanz_ == this)
        instanz_ = nullptr;
    hide();
    // Not deleted here: the handler that unloads may still be on the stack.
    deleteLater();
}

void frmVergleich::closeEvent(QCloseEvent* e)
{
    e->ignore();
    entladen();
}

// --- Suche::Feldmaske -----------------------------------------------------------

int frmVergleich::zeilenAnzahl() const { return Text1->text().toInt(); }

QString frmVergleich::feldname(int k) const
{
    return k >= 0 && std::size_t(k) < zeilen_.size() ? zeilen_[std::size_t(k)].fldBez->text() : QString();
}

bool frmVergleich::suchen(int k) const
{
    return k >= 0 && std::size_t(k) < zeilen_.size() && zeilen_[std::size_t(k)].fldSchalter->isChecked();
}

// --- the one instance ---------------------------------------------------------------

namespace Feldauswahl {

frmVergleich* maske() { return instanz_; }

void zeigen()
{
    entladen();
    if (instanz_)
        return;  // a search run holds the old mask until its end
    const Datenzugriff::Recordset* satzmenge = Anbindung::satzmenge();
    if (!satzmenge || satzmenge->State() != Datenzugriff::adStateOpen)
        return;
    auto neu = std::make_unique<frmVergleich>();
    try {
        neu->laden(*satzmenge, Plattform::bildschirm());
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        Plattform::Meldung(e.Description(), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        return;
    }
    instanz_ = neu.release();
    instanz_->show();
}

void entladen()
{
    if (instanz_)
        instanz_->entladen();
}

}  // namespace Feldauswahl
