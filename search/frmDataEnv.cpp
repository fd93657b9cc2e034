#include "frmDataEnv.h"

#include "Einstellungen.h"
#include "Fehler.h"
#include "Meldung.h"
#include "Anzeigetakt.h"
#include "Programmkennung.h"
#include "Protokoll.h"
#include "Suchlauf.h"
#include "System.h"
#include "Trefferstelle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

frmDataEnv* instanz_ = nullptr;

// The user's list of the databases opened last.
const QString ZuletztSchluessel = QStringLiteral("ZuletztGeoeffnet");
constexpr int ZuletztAnzahl = 5;

double dpi() { return Plattform::bildschirm().punkteProZoll(); }
int px(int twips) { return Plattform::twipsZuPixel(twips, dpi()); }

void platzieren(QWidget* w, int links, int oben, int breite, int hoehe)
{
    w->setGeometry(px(links), px(oben), px(breite), px(hoehe));
}

// The help viewer belongs to the main window: it closes with it and never
// keeps the program alive on its own.
void standardHilfe(const QString& datei, QWidget* hauptfenster)
{
    // The help file is HTML here; a missing file is ignored silently.
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        return;
    auto* d = new QDialog(hauptfenster);
    d->setObjectName(QStringLiteral("Hilfeanzeige"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(Programmkennung::ProductName);
    auto* b = new QTextBrowser(d);
    b->setHtml(QString::fromUtf8(f.readAll()));
    b->setOpenExternalLinks(true);
    auto* l = new QVBoxLayout(d);
    l->addWidget(b);
    d->resize(640, 520);
    d->show();
}

}  // namespace

frmDataEnv& frmDataEnv::instanz()
{
    if (!instanz_)
        new frmDataEnv;
    return *instanz_;
}

bool frmDataEnv::vorhanden() { return instanz_ != nullptr; }

frmDataEnv::frmDataEnv(QWidget* parent) : QMainWindow(parent)
{
    instanz_ = this;
    setAttribute(Qt::WA_DeleteOnClose, false);
    protokollPfad = [] { return Protokoll::protokollPfadDiesesProgramms(Plattform::installiert()); };
    programmStarten = &frmDataEnv::prozessStarten;
    hilfeZeigen = [this](const QString& datei) { standardHilfe(datei, this); };
    programmSuchen = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    aufbauen();
    Datenbankfunktion::setzeHauptfenster(this);

    // Load: wildcard search on, caption from the version data.
    Check1->setChecked(true);
    setWindowTitle(Programmkennung::fensterTitel());
}

frmDataEnv::~frmDataEnv()
{
    Datenbankfunktion::setzeHauptfenster(nullptr);
    if (instanz_ == this)
        instanz_ = nullptr;
}

void frmDataEnv::aufbauen()
{
    QFont schrift(QStringLiteral("Liberation Sans"));
    schrift.setPointSizeF(8.25);
    setFont(schrift);

    menueAufbauen();
    steuerelementeAufbauen();
    anschliessen();

    // Installed, the lists begin where the user's databases are: the folder
    // of the last one, the home folder the first time. From the build folder
    // they stay in the working directory, beside the demo database.
    if (Plattform::installiert())
        Dir1->setzePfad(startverzeichnis(Plattform::einstellungen().liste(ZuletztSchluessel), QDir::homePath()));
    zuletztZeigen();

    // The file list starts in the directory list's directory.
    File1->setzePfad(Dir1->pfad());
    const QString laufwerk = Dir1->pfad().startsWith(QDir::homePath()) ? QDir::homePath() + u'/' : QStringLiteral("/");
    const int index = Drive1->findText(laufwerk);
    if (index >= 0)
        Drive1->setCurrentIndex(index);
}

void frmDataEnv::menueAufbauen()
{
    auto* datei = menuBar()->addMenu(QStringLiteral("Datei"));
    mnuOeffnen = datei->addAction(QStringLiteral("&Datenbank öffnen…"));
    mnuOeffnen->setShortcut(QKeySequence::Open);
    datei->addSeparator();
    for (int i = 0; i < ZuletztAnzahl; ++i) {
        mnuZuletzt.push_back(datei->addAction(QString()));
        connect(mnuZuletzt.back(), &QAction::triggered, this, [this, i] { ausfuehren([this, i] { mnuZuletzt_Click(i); }); });
    }
    zuletztTrenner_ = datei->addSeparator();
    mnubeenden = datei->addAction(QStringLiteral("&Programm beenden"));
    auto* hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    mnuWin7 = hilfe->addAction(QStringLiteral("Hilfe für &Windows 7 und Vista Nutzer"));
    mnuHilfe = hilfe->addAction(QStringLiteral("&Hilfe aufrufen"));
}

// The controls at their design places in twips, in the tab order of the form.
void frmDataEnv::steuerelementeAufbauen()
{
    auto* flaeche = new QWidget(this);
    setCentralWidget(flaeche);
    flaeche->setFixedSize(px(9870), px(8670));

    Text1 = new QLineEdit(QStringLiteral("*A"), flaeche);
    Command1 = new QPushButton(QStringLiteral("&Suche starten"), flaeche);
    Drive1 = new Laufwerksliste(flaeche);
    Dir1 = new Verzeichnisliste(flaeche);
    Label1 = new QLabel(QStringLiteral("Laufwerk"), flaeche);
    Label2 = new QLabel(QStringLiteral("Verzeichnis"), flaeche);
    File1 = new Dateiliste(flaeche);
    Label3 = new QLabel(QStringLiteral("Datenbank"), flaeche);
    Label4 = new QLabel(QStringLiteral("Suchstring in gewählter Tabelle:"), flaeche);
    List1 = new QTreeView(flaeche);
    Text2 = new QLineEdit(flaeche);
    Label5 = new QLabel(QStringLiteral("durchsuchte Satznummer:"), flaeche);
    Command2 = new QPushButton(QStringLiteral("&Ergebnisliste öffnen"), flaeche);
    Label6 = new QLabel(QStringLiteral("Suche über Wildcards"), flaeche);
    Check1 = new QCheckBox(flaeche);
    Command3 = new QPushButton(QStringLiteral("&Feldauswahl"), flaeche);
    Text3 = new QLineEdit(QStringLiteral("inaktiv"), flaeche);
    ImageCombo1 = new Tabellenauswahl(flaeche);
    Label7 = new QLabel(QStringLiteral("ausgewählte Tabelle:"), flaeche);
    Command4 = new QPushButton(QStringLiteral("&Tabelleninhalt anzeigen"), flaeche);

    platzieren(Text1, 6960, 1920, 2055, 285);
    platzieren(Command1, 6960, 2280, 2535, 375);
    platzieren(Drive1, 1080, 120, 1215, 315);
    platzieren(Dir1, 4320, 240, 2415, 2790);
    platzieren(Label1, 120, 120, 855, 255);
    platzieren(Label2, 4320, 0, 975, 255);
    platzieren(File1, 6960, 240, 2415, 1260);
    platzieren(Label3, 6960, 0, 975, 255);
    platzieren(Label4, 6960, 1680, 2655, 255);
    platzieren(List1, 240, 3360, 9375, 5130);
    platzieren(Text2, 2400, 2280, 1575, 285);
    platzieren(Label5, 120, 2280, 1935, 255);
    platzieren(Command2, 6960, 2760, 2535, 375);
    platzieren(Label6, 120, 1320, 2415, 255);
    platzieren(Check1, 2040, 1320, 255, 255);
    platzieren(Command3, 120, 1680, 2175, 375);
    platzieren(Text3, 2400, 1680, 975, 375);
    platzieren(ImageCombo1, 120, 840, 3255, 330);
    platzieren(Label7, 120, 600, 3255, 255);
    platzieren(Command4, 120, 2760, 2175, 495);

    List1->setModel(&ergebnisse_);
    List1->setUniformRowHeights(true);
    List1->setHeaderHidden(true);
    List1->setRootIsDecorated(false);
    List1->setItemsExpandable(false);
    List1->setTextElideMode(Qt::ElideNone);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Text3->setAutoFillBackground(true);

    QWidget* reihenfolge[] = {Text1, Command1, Drive1, Dir1, File1, List1, Text2, Command2, Check1, Command3, Text3, ImageCombo1, Command4};
    for (std::size_t i = 1; i < std::size(reihenfolge); ++i)
        setTabOrder(reihenfolge[i - 1], reihenfolge[i]);
}

// The signals of the controls to their handlers, each through ausfuehren: no error leaves a handler.
void frmDataEnv::anschliessen()
{
    auto verbinden = [this](auto* quelle, auto signal, void (frmDataEnv::*handler)()) {
        connect(quelle, signal, this, [this, handler] { ausfuehren(handler); });
    };
    verbinden(Drive1, &Laufwerksliste::geaendert, &frmDataEnv::Drive1_Change);
    verbinden(Dir1, &Verzeichnisliste::geaendert, &frmDataEnv::Dir1_Change);
    verbinden(File1, &Dateiliste::angeklickt, &frmDataEnv::File1_Click);
    verbinden(ImageCombo1, &Tabellenauswahl::tabelleGeaendert, &frmDataEnv::ImageCombo1_Change);
    verbinden(ImageCombo1, &Tabellenauswahl::listeGeoeffnet, &frmDataEnv::ImageCombo1_Dropdown);
    verbinden(Command1, &QPushButton::clicked, &frmDataEnv::Command1_Click);
    verbinden(Command2, &QPushButton::clicked, &frmDataEnv::Command2_Click);
    verbinden(Command3, &QPushButton::clicked, &frmDataEnv::Command3_Click);
    verbinden(Command4, &QPushButton::clicked, &frmDataEnv::Command4_Click);
    verbinden(List1, &QTreeView::doubleClicked, &frmDataEnv::List1_DblClick);
    verbinden(mnuOeffnen, &QAction::triggered, &frmDataEnv::mnuOeffnen_Click);
    verbinden(mnubeenden, &QAction::triggered, &frmDataEnv::mnubeenden_Click);
    verbinden(mnuHilfe, &QAction::triggered, &frmDataEnv::mnuHilfe_Click);
    verbinden(mnuWin7, &QAction::triggered, &frmDataEnv::mnuWin7_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (laeuft_)
            abbruch_ = true;
    });
}

// --- main-window controls for Datenbankfunktion --------------------------------

QString frmDataEnv::verzeichnisPfad() const { return Dir1->pfad(); }
QString frmDataEnv::gewaehlteDatei() const { return File1->gewaehlteDatei(); }
QString frmDataEnv::tabellenText() const { return ImageCombo1->text(); }
void frmDataEnv::tabellenLeeren() { ImageCombo1->eintraegeLeeren(); }
void frmDataEnv::tabelleHinzufuegen(const QString& name) { ImageCombo1->eintragHinzufuegen(name); }
void frmDataEnv::ersteTabelleWaehlen() { ImageCombo1->eintragWaehlen(1); }
void frmDataEnv::tabellenHinweis(const QString& text) { ImageCombo1->setToolTip(text); }

void frmDataEnv::zustandZeigen(bool aktiv)
{
    Text3->setText(aktiv ? QStringLiteral("aktiv") : QStringLiteral("inaktiv"));
    QPalette p = Text3->palette();
    p.setColor(QPalette::Base, aktiv ? QColor(255, 0, 0) : QApplication::palette().color(QPalette::Base));
    Text3->setPalette(p);
    Text3->repaint();
}

// --- handlers ----------------------------------------------------------------------

void frmDataEnv::ausfuehren(void (frmDataEnv::*handler)())
{
    ausfuehren([this, handler] { (this->*handler)(); });
}

void frmDataEnv::ausfuehren(const std::function<void()>& handler)
{
    // Qt's event loop must never see an exception: it would end the program.
    QString meldung;
    try {
        handler();
        return;
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        meldung = e.Description();
    } catch (const std::exception& e) {
        meldung = QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen: %1").arg(QString::fromUtf8(e.what()));
    } catch (...) {
        meldung = QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen.");
    }
    Plattform::Meldung(meldung, Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
}

bool frmDataEnv::handlung(const std::function<void()>& was)
{
    try {
        was();
        return true;
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        Plattform::Meldung(e.Description(), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
    }
    return false;
}

// Reconnects; true when the action may go on. A flag that is set is read
// here and cleared, as every caller but Command4 does.
bool frmDataEnv::verbinden()
{
    if (!handlung(Datenbankfunktion::DatenbankVerbinden))
        return false;
    if (Datenbankfunktion::KeineDatenbank == 1 || Datenbankfunktion::KeineTabelle == 1) {
        Datenbankfunktion::KeineDatenbank = 0;
        Datenbankfunktion::KeineTabelle = 0;
        return false;
    }
    return true;
}

bool frmDataEnv::auswahlAusUndVerbinden(bool maskeEntladen)
{
    Datenbankfunktion::AuswahlAnzahl = 0;
    if (maskeEntladen && nebenfenster_)
        nebenfenster_->feldauswahlEntladen();
    return verbinden();
}

void frmDataEnv::Drive1_Change()
{
    if (laeuft_)
        return;
    Dir1->setzePfad(Drive1->laufwerk());
    Dir1->aktualisieren();
}

void frmDataEnv::Dir1_Change()
{
    if (laeuft_)
        return;
    File1->setzePfad(Dir1->pfad());
}

void frmDataEnv::File1_Click()
{
    if (laeuft_)
        return;
    ImageCombo1->setzeText(QString());
    const QString datei = QDir(Dir1->pfad()).filePath(File1->gewaehlteDatei());
    if (auswahlAusUndVerbinden(true)) {
        Plattform::einstellungen().setzeListe(ZuletztSchluessel,
                                               zuletztGeoeffnet(Plattform::einstellungen().liste(ZuletztSchluessel), datei, ZuletztAnzahl));
        zuletztZeigen();
    }
}

void frmDataEnv::ImageCombo1_Change()
{
    if (!laeuft_)
        auswahlAusUndVerbinden(true);
}

void frmDataEnv::ImageCombo1_Dropdown()
{
    if (!laeuft_)
        auswahlAusUndVerbinden(false);  // the mask stays loaded
}

// What a search run sets in the window, given back on every way out of the
// run, exceptions included: the run flag, the hourglass, the locked choice,
// the focus the lock pushed away, and the lines the view has not seen yet.
class frmDataEnv::Laufsperre {
public:
    explicit Laufsperre(frmDataEnv& f) : f_(f)
    {
        f_.laeuft_ = true;
        f_.abbruch_ = false;
        f_.schliessenNachLauf_ = false;
        f_.beendenNachLauf_ = false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        fokus_ = QApplication::focusWidget();
        f_.wahlSperren(true);
        fokusVerdraengt_ = fokus_ && !fokus_->isEnabled();
        ersatz_ = QApplication::focusWidget();
        emit f_.suchlaufGeaendert(true);
    }
    ~Laufsperre()
    {
        f_.ergebnisse_.bekanntgeben();
        QApplication::restoreOverrideCursor();
        f_.laeuft_ = false;
        f_.wahlSperren(false);
        // The focus the lock pushed away comes back, unless the user moved it since.
        if (fokusVerdraengt_ && fokus_ && QApplication::focusWidget() == ersatz_)
            fokus_->setFocus();
        try {
            emit f_.suchlaufGeaendert(false);  // the mask takes clicks again
        } catch (...) {
        }
    }
    Laufsperre(const Laufsperre&) = delete;
    Laufsperre& operator=(const Laufsperre&) = delete;

private:
    frmDataEnv& f_;
    QPointer<QWidget> fokus_;
    QPointer<QWidget> ersatz_;
    bool fokusVerdraengt_ = false;
};

void frmDataEnv::Command1_Click()
{
    if (laeuft_)
        return;  // a second click while a run is going is ignored
    // The run's first step; a start that then fails leaves the list empty,
    // the protocol of the last search stays.
    ergebnisse_.leeren();
    if (!verbinden())
        return;
    lauf_ = jetzigeHerkunft();
    QString meldung;
    {
        Laufsperre sperre(*this);
        meldung = suchen();
    }
    if (!meldung.isEmpty())
        Plattform::Meldung(meldung, Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
    Plattform::Meldung(laufAbgebrochen_ ? QStringLiteral("Suchlauf abgebrochen!") : QStringLiteral("Ende des Suchlaufes!"),
                       Plattform::Symbol::Information, Plattform::Knoepfe::OK);
    nachDemLauf();
}

QString frmDataEnv::suchen()
{
    // Whatever ends the run, the connection is closed behind it.
    struct Abbau {
        frmDataEnv& f;
        ~Abbau() { f.suchverbindungSchliessen(); }
    } abbau{*this};
    laufAbgebrochen_ = false;
    Protokoll::Schreiber protokoll(protokollPfad());
    protokoll.setzeDurchsuchteDateien({Datenbankfunktion::Verbindung().datei()});
    try {
        protokoll.oeffnen();
        // Held here: a window that releases the shared recordset during the
        // run must not pull it from under the run.
        const std::shared_ptr<Datenzugriff::Recordset> satzmenge = Datenbankfunktion::Satzmenge;
        Suche::Suchlauf lauf(*satzmenge, protokoll, &ergebnisse_, Suche::feldmaske(), Datenbankfunktion::AuswahlAnzahl);
        lauf.suchtext = [this] { return Text1->text(); };
        lauf.platzhalter = [this] { return Check1->checkState() != Qt::Unchecked; };
        QElapsedTimer uhr;
        uhr.start();
        const auto ms = [&uhr] { return uhr.elapsed(); };
        // The number is shown as often as a screen can show it, new lines
        // reach the view a few times a second, not every 30 records; the
        // window's events (a click on Abbrechen, a key) are taken every few
        // milliseconds: taken every 30 records, they cost a fifth of the run.
        Anzeigetakt nummerTakt(40, 16, true);
        Anzeigetakt listenTakt(200, 1, false);
        Anzeigetakt ereignisTakt(8, 1, true);
        lauf.satzAnzeigen = [this, &nummerTakt, &ms](double satz) {
            if (nummerTakt.faellig(ms)) {
                Text2->setText(Protokoll::zaehlerText(satz));
                Text2->repaint();
            }
        };
        lauf.ereignisse = [this, &listenTakt, &ereignisTakt, &ms] {
            if (listenTakt.faellig(ms))
                ergebnisse_.bekanntgeben();
            if (ereignisTakt.faellig(ms))
                QCoreApplication::processEvents();
        };
        lauf.abgebrochen = [this] { return abbruch_; };
        lauf.felddruck();
        QString meldung;
        try {
            lauf.durchsuchen();
            // Damage read past: the list and the protocol say so too.
            meldung = lauf.schadenMeldung(Datenbankfunktion::DatenbankVerzeichnis + Datenbankfunktion::DatenbankDatei);
        } catch (const Datenzugriff::DatenzugriffsFehler& e) {
            // A damaged table: the protocol keeps what was found so far.
            meldung = e.Description();
        }
        if (lauf.satz() > 0)
            Text2->setText(Protokoll::zaehlerText(lauf.satz()));
        suchverbindungSchliessen();
        laufAbgebrochen_ = lauf.wurdeAbgebrochen();
        lauf.schlusszeilen();
        protokoll.abschliessen();
        return meldung;
    } catch (const Protokoll::Schreibfehler& e) {
        protokoll.verwerfen();
        return e.meldung();
    }
}

void frmDataEnv::suchverbindungSchliessen()
{
    // Also on the way out of an exception: nothing may leave here.
    try {
        auto& satzmenge = Datenbankfunktion::Satzmenge;
        if (satzmenge && satzmenge->State() == Datenzugriff::adStateOpen)
            satzmenge->Close();
        if (Datenbankfunktion::Verbindung().State() == Datenzugriff::adStateOpen)
            Datenbankfunktion::Verbindung().Close();
    } catch (...) {
    }
}

void frmDataEnv::nachDemLauf()
{
    if (beendenNachLauf_) {
        beendenNachLauf_ = false;
        schliessenNachLauf_ = false;
        mnubeenden_Click();
    } else if (schliessenNachLauf_) {
        schliessenNachLauf_ = false;
        close();
    }
}

// While a run reads the file, its choice stands: the controls that would
// change file or table take no input (their handlers ignore the run as
// well), so after the run they show what was searched. The search text and
// the wildcard box stay open, as the run reads them again and again.
void frmDataEnv::wahlSperren(bool gesperrt)
{
    for (QWidget* w : {static_cast<QWidget*>(Drive1), static_cast<QWidget*>(Dir1), static_cast<QWidget*>(File1),
                       static_cast<QWidget*>(ImageCombo1), static_cast<QWidget*>(Command3), static_cast<QWidget*>(Command4)})
        w->setEnabled(!gesperrt);
    mnuOeffnen->setEnabled(!gesperrt);
    for (QAction* a : mnuZuletzt)
        a->setEnabled(!gesperrt);
}

void frmDataEnv::zuletztZeigen()
{
    const QStringList liste = Plattform::einstellungen().liste(ZuletztSchluessel);
    for (std::size_t i = 0; i < mnuZuletzt.size(); ++i) {
        const bool da = qsizetype(i) < liste.size();
        QString text;
        if (da)
            text = QStringLiteral("&%1 %2").arg(i + 1).arg(QString(QDir::toNativeSeparators(liste[qsizetype(i)])).replace(u'&', QStringLiteral("&&")));
        mnuZuletzt[i]->setText(text);
        mnuZuletzt[i]->setVisible(da);
    }
    zuletztTrenner_->setVisible(!liste.isEmpty());
}

void frmDataEnv::Command2_Click()
{
    if (File1->gewaehlteDatei().isEmpty()) {
        Plattform::Meldung(QStringLiteral("es wurde keine Datenbank gewählt!"), Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK);
        return;
    }
    SystempfadWindows::SystempfadLesen();
    SystempfadWindows::Systempfad = SystempfadWindows::windowsVerzeichnis(SystempfadWindows::Systempfad);
    const QString pfad = protokollPfad();
    const auto aufruf = SystempfadWindows::betrachterAufruf(SystempfadWindows::Systempfad, pfad, programmSuchen);
    if (aufruf.programm.isEmpty()) {
        protokollImFensterZeigen(pfad);
        return;
    }
    programmStarten(aufruf.programm, aufruf.argumente, [fenster = QPointer<frmDataEnv>(this), pfad] {
        if (fenster)
            fenster->protokollImFensterZeigen(pfad);
    });
}

void frmDataEnv::prozessStarten(const QString& programm, const QStringList& argumente, std::function<void()> gescheitert)
{
    // xdg-open says by its exit code whether a program took the file, and
    // may wait as long as that program runs. The process has no parent: what
    // still runs when the program ends keeps running.
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    auto fertig = [p, gescheitert](bool ok) {
        if (!ok && gescheitert)
            gescheitert();
        p->deleteLater();
    };
    connect(p, &QProcess::errorOccurred, p, [fertig](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            fertig(false);
    });
    connect(p, &QProcess::finished, p,
            [fertig](int code, QProcess::ExitStatus status) { fertig(status == QProcess::NormalExit && code == 0); });
    p->start(programm, argumente);
}

void frmDataEnv::protokollImFensterZeigen(const QString& pfad)
{
    auto* d = new QDialog(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(pfad);
    auto* text = new QPlainTextEdit(d);
    text->setObjectName(QStringLiteral("Protokollanzeige"));
    text->setReadOnly(true);
    QFile f(pfad);
    if (f.open(QIODevice::ReadOnly)) {
        QStringDecoder dec("windows-1252");
        text->setPlainText(dec.decode(f.readAll()));
    }
    auto* l = new QVBoxLayout(d);
    l->addWidget(text);
    d->resize(720, 480);
    d->show();
}

void frmDataEnv::Command3_Click()
{
    if (laeuft_)
        return;
    if (auswahlAusUndVerbinden(true) && nebenfenster_)
        nebenfenster_->feldauswahlZeigen();
}

void frmDataEnv::Command4_Click()
{
    if (!laeuft_ && tabelleninhaltVerbinden())
        nebenfenster_->tabelleninhaltZeigen();
}

bool frmDataEnv::tabelleninhaltVerbinden()
{
    // The flags stay as DatenbankVerbinden left them.
    return handlung(Datenbankfunktion::DatenbankVerbinden) && Datenbankfunktion::KeineDatenbank == 0
        && Datenbankfunktion::KeineTabelle == 0 && nebenfenster_;
}

void frmDataEnv::List1_DblClick()
{
    if (laeuft_)
        return;
    const QModelIndex zeile = List1->currentIndex();
    const auto stelle = zeile.isValid() ? Trefferstelle::lesen(ergebnisse_.zeile(zeile.row())) : std::nullopt;
    // Separators, header lines and totals lead nowhere.
    if (!stelle || !tabelleninhaltVerbinden())
        return;
    // A record number means something only in the table the run read.
    const QString grund = Trefferstelle::abweichung(lauf_, jetzigeHerkunft());
    if (!grund.isEmpty()) {
        Plattform::Meldung(grund, Plattform::Symbol::Information, Plattform::Knoepfe::OK);
        return;
    }
    nebenfenster_->tabelleninhaltBeiSatzZeigen(stelle->satz, stelle->feld);
}

Trefferstelle::Herkunft frmDataEnv::jetzigeHerkunft() const
{
    return Trefferstelle::herkunft(Datenbankfunktion::DatenbankVerzeichnis + Datenbankfunktion::DatenbankDatei, ImageCombo1->text(),
                                   Datenbankfunktion::AbfrageSQL);
}

void frmDataEnv::dateiVorwaehlen(const QString& datei)
{
    const QFileInfo info(datei);
    auto fehler = [](const QString& text) { Plattform::Meldung(text, Plattform::Symbol::Kritisch, Plattform::Knoepfe::OK); };
    if (!info.isFile()) {
        fehler(QStringLiteral("Die Datei „%1“ wurde nicht gefunden.").arg(QDir::toNativeSeparators(info.absoluteFilePath())));
        return;
    }
    const QString verzeichnis = info.absolutePath();
    // Drive1: the longest root that holds the file.
    int laufwerk = -1;
    qsizetype laenge = -1;
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString wurzel = Datenbankfunktion::mitSchraegstrich(Drive1->itemText(i));
        if ((verzeichnis + u'/').startsWith(wurzel) && wurzel.size() > laenge) {
            laufwerk = i;
            laenge = wurzel.size();
        }
    }
    if (laufwerk >= 0)
        Drive1->setCurrentIndex(laufwerk);
    Dir1->setzePfad(verzeichnis);
    File1->setzePfad(Dir1->pfad());
    const auto treffer = File1->findItems(info.fileName(), Qt::MatchExactly);
    if (treffer.isEmpty()) {
        fehler(QStringLiteral("Die Datei „%1“ ist keine Access-Datenbank (*.mdb, *.accdb).").arg(QDir::toNativeSeparators(info.absoluteFilePath())));
        return;
    }
    File1->setCurrentItem(treffer.front());  // the click: the file's tables are listed
}

void frmDataEnv::mnuOeffnen_Click()
{
    if (laeuft_)
        return;
    const QString datei = Plattform::dateidialog().oeffnen(this, QStringLiteral("Datenbank öffnen"), Dir1->pfad(),
                                                           QStringLiteral("Access-Datenbanken (*.mdb *.MDB *.accdb *.ACCDB);;Alle Dateien (*)"));
    if (!datei.isEmpty())
        dateiVorwaehlen(datei);
}

void frmDataEnv::mnuZuletzt_Click(int nummer)
{
    QStringList liste = Plattform::einstellungen().liste(ZuletztSchluessel);
    if (laeuft_ || nummer >= liste.size())
        return;
    const QString datei = liste[nummer];
    if (!QFileInfo(datei).isFile()) {
        // Gone since: out of the list; dateiVorwaehlen names it.
        liste.removeAt(nummer);
        Plattform::einstellungen().setzeListe(ZuletztSchluessel, liste);
        zuletztZeigen();
    }
    dateiVorwaehlen(datei);
}

void frmDataEnv::mnubeenden_Click()
{
    if (laeuft_) {
        // The run reads the field selection: the windows go after the run,
        // which ends at its next events like an escape.
        abbruch_ = true;
        beendenNachLauf_ = true;
        return;
    }
    if (nebenfenster_) {
        nebenfenster_->feldauswahlEntladen();
        nebenfenster_->tabelleninhaltEntladen();
    }
    // The help and the protocol viewer go too: the program ends, whatever is open.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->parentWidget() == this && w->isVisible())
            w->close();
    close();
    QCoreApplication::quit();
}

void frmDataEnv::mnuHilfe_Click()
{
    const QString datei = Plattform::betriebssystem().datenverzeichnis() + QStringLiteral("/Hilfe/ZELK-FELDSPUR.HLP");
    try {
        hilfeZeigen(datei);
    } catch (...) {
        // Help that cannot be shown is ignored.
    }
}

void frmDataEnv::mnuWin7_Click()
{
    const QChar cr(u'\r');
    Plattform::Meldung(QStringLiteral("Windows 7 bzw. Vista Nutzer benötigen zum Anzeigen der Hilfe ein Update!") + cr + cr
                           + QStringLiteral("Dieses finden Sie als Download auf unserer Internetseite") + cr + cr
                           + QStringLiteral("https://www.zelk-feldspur.de/download/hilfe-update"),
                       Plattform::Symbol::Information, Plattform::Knoepfe::OK);
    mnuHilfe_Click();
}

void frmDataEnv::closeEvent(QCloseEvent* e)
{
    if (laeuft_) {
        // The run ends like a normal run first: protocol complete, then close.
        abbruch_ = true;
        schliessenNachLauf_ = true;
        e->ignore();
        return;
    }
    if (nebenfenster_) {
        try {
            nebenfenster_->feldauswahlEntladen();
        } catch (...) {
            // The window closes all the same.
        }
    }
    e->accept();
}
