#include "frmSplash.h"

#include "Meldung.h"
#include "ODBCSchluessel.h"
#include "PfadDatenbank.h"
#include "Programmkennung.h"
#include "Username.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

static void logoLaden() { Q_INIT_RESOURCE(zelk); }

namespace {

std::function<void()> g_hauptfensterZeigen;

constexpr int FensterBreite = 9000;
constexpr int FensterHoehe = 4710;
constexpr const char* EntwurfEigenschaft = "entwurfTwips";

QFont schrift(double punkte, bool fett = false)
{
    // Liberation Sans stands in for MS Sans Serif.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(punkte);
    f.setBold(fett);
    return f;
}

bool nurUmschalttaste(int taste)
{
    switch (taste) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

}  // namespace

void frmSplash::setzeHauptfensterZeigen(std::function<void()> zeigen) { g_hauptfensterZeigen = std::move(zeigen); }

frmSplash::Rechteck frmSplash::entwurf(const QWidget* control)
{
    const QList<QVariant> r = control->property(EntwurfEigenschaft).toList();
    if (r.size() != 4)
        return {0, 0, 0, 0};
    return {r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()};
}

void frmSplash::platzieren(QWidget* w, Rechteck r)
{
    w->setProperty(EntwurfEigenschaft, QList<QVariant>{r.links, r.oben, r.breite, r.hoehe});
    using Plattform::twipsZuPixel;
    w->setGeometry(twipsZuPixel(r.links, dpi_), twipsZuPixel(r.oben, dpi_), twipsZuPixel(r.breite, dpi_),
                   twipsZuPixel(r.hoehe, dpi_));
    // Clicks on the controls stay with them; only the free frame area closes.
    if (w != fraMainFrame)
        w->setAttribute(Qt::WA_NoMousePropagation);
    w->installEventFilter(this);
}

void frmSplash::autoGroesse(QLabel* label)
{
    // An auto-size label takes the size of its text; a right-aligned one
    // keeps its right edge, so a long text grows into the free space on the
    // left instead of out of the window.
    const QRect alt = label->geometry();
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight)
        label->move(alt.right() + 1 - label->width(), alt.top());
    else
        label->move(alt.topLeft());
}

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::Window), dpi_(Plattform::bildschirm().punkteProZoll())
{
    logoLaden();
    setObjectName(QStringLiteral("frmSplash"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(schrift(8));
    setFixedSize(Plattform::twipsZuPixel(FensterBreite, dpi_), Plattform::twipsZuPixel(FensterHoehe, dpi_));

    fraMainFrame = new QFrame(this);
    fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    platzieren(fraMainFrame, {45, 0, 8940, 4590});

    ZELK_Logo = new QLabel(fraMainFrame);
    ZELK_Logo->setPixmap(QPixmap(QStringLiteral(":/zelk/logo.png")));
    ZELK_Logo->setScaledContents(true);
    ZELK_Logo->setToolTip(Programmkennung::ProductName);
    platzieren(ZELK_Logo, {240, 360, 705, 675});

    auto label = [this](const QString& text, Rechteck r, bool auto_, double punkte = 0, bool fett = false) {
        auto* l = new QLabel(text, fraMainFrame);
        if (punkte > 0)
            l->setFont(schrift(punkte, fett));
        platzieren(l, r);
        if (auto_)
            autoGroesse(l);
        return l;
    };
    Label1 = label(QStringLiteral("Programmname:"), {1920, 1080, 1455, 255}, false);
    lblProductName = label(QStringLiteral("Produkt"), {1920, 1320, 2550, 300}, true, 12, true);
    lblPlatform = new QLabel(QStringLiteral("Plattform: Windows 95/98/Me/XP/2000"), fraMainFrame);
    lblPlatform->setFont(schrift(9.75));
    lblPlatform->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    platzieren(lblPlatform, {1920, 1680, 3360, 240});
    autoGroesse(lblPlatform);
    lblVersion = label(QStringLiteral("Version"), {1920, 1920, 1035, 240}, true, 9.75);
    Label3 = label(QStringLiteral("Anwendername:"), {360, 2280, 1455, 240}, true, 9.75);

    Username = new QLineEdit(QStringLiteral("Anwender"), fraMainFrame);
    platzieren(Username, {1920, 2280, 3855, 285});

    lblCopyright = label(QStringLiteral("Copyright"), {360, 2640, 5265, 195}, true);

    Text1 = new QPlainTextEdit(QStringLiteral("Kommentar"), fraMainFrame);
    platzieren(Text1, {360, 3000, 4455, 1455});

    Label2 = new QLabel(QStringLiteral("Mdac Version"), fraMainFrame);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    platzieren(Label2, {6720, 240, 2055, 195});
    autoGroesse(Label2);

    Command1 = new QPushButton(QStringLiteral("Weiter"), fraMainFrame);
    platzieren(Command1, {7440, 3960, 1335, 495});
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    // The button, not a text box, has the focus when the window shows.
    Command1->setFocus();
}

frmSplash::~frmSplash() = default;

void frmSplash::laden()
{
    // 1
    setWindowTitle(Programmkennung::fensterTitel());
    // 2: a warning at most; the sequence goes on.
    Label2->setText(PfadDatenbank::MDACPruefen().label2);
    autoGroesse(Label2);
    // 3
    QByteArray Treiberpfad = ODBCSchluessel::leererPuffer();
    const QByteArray dsn = QByteArray(ODBCSchluessel::DatenquellenName);
    // 4: the German-named key only when the English one cannot be read.
    if (!ODBCSchluessel::TreiberEnglisch(Treiberpfad) && !ODBCSchluessel::TreiberDeutsch(Treiberpfad)) {
        Plattform::Meldung(QStringLiteral("Sie müssen zuerst die MS-Access-ODBC Treiber\r"
                                          "(=MDAC-Treiber von der Installations-CD) installieren,\r"
                                          "um mit diesem Programm arbeiten zu können!"),
                           Plattform::Symbol::Kritisch, Plattform::Knoepfe::OKAbbrechen);
        Plattform::programmEnde().beenden(1);
    }
    // 5
    if (!ODBCSchluessel::DSNVorhanden(dsn) && !ODBCSchluessel::DSNAnlegen(Treiberpfad, dsn)) {
        Plattform::Meldung(QStringLiteral("Der ODBC-Eintrag 'Access' konnte nicht erzeugt werden!\r"
                                          "Tragen Sie diesen manuell ein."),
                           Plattform::Symbol::Kritisch, Plattform::Knoepfe::OKAbbrechen);
        Plattform::programmEnde().beenden(1);
    }
    // 6: ends the program itself when no name is found.
    Username->setText(::Username::UserErmitteln());
    // 7
    PfadDatenbank::ProgrammpfadSetzen();
    // 8, 9
    lblProductName->setText(Programmkennung::ProductName);
    autoGroesse(lblProductName);
    lblVersion->setText(QStringLiteral("Version: %1.%2.%3")
                            .arg(Programmkennung::Major)
                            .arg(Programmkennung::Minor)
                            .arg(Programmkennung::Revision));
    autoGroesse(lblVersion);
    // 10: the legal notice, so that no placeholder is left when the window shows.
    lblCopyright->setText(QStringLiteral("Copyright: ") + Programmkennung::LegalCopyright);
    autoGroesse(lblCopyright);
    // 11
    Text1->setPlainText(Programmkennung::Comments);
    // 12
    PfadDatenbank::ProgrammpfadSetzen();

    const Plattform::Bildschirm& b = Plattform::bildschirm();
    move(Plattform::twipsZuPixel((b.breiteTwips() - FensterBreite) / 2, dpi_),
         Plattform::twipsZuPixel((b.hoeheTwips() - FensterHoehe) / 2, dpi_));
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (entladen_)
        return;
    entladen_ = true;
    if (g_hauptfensterZeigen)
        g_hauptfensterZeigen();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    if (nurUmschalttaste(event->key()))
        return QWidget::keyPressEvent(event);
    close();
}

bool frmSplash::eventFilter(QObject* objekt, QEvent* event)
{
    // Keys reach the window whichever control has the focus.
    if (event->type() == QEvent::KeyPress && !nurUmschalttaste(static_cast<QKeyEvent*>(event)->key())) {
        close();
        return true;
    }
    if (objekt == fraMainFrame) {
        if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            rahmenGedrueckt_ = true;
        if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const bool klick = rahmenGedrueckt_ && fraMainFrame->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
            rahmenGedrueckt_ = false;
            if (klick) {
                close();
                return true;
            }
        }
    }
    return QWidget::eventFilter(objekt, event);
}
