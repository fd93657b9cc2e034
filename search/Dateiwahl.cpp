#include "Dateiwahl.h"

#include "Dateimuster.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace {

QString mitSchraegstrich(QString p)
{
    if (!p.endsWith(u'/'))
        p += u'/';
    return p;
}

}  // namespace

QStringList zuletztGeoeffnet(QStringList liste, const QString& datei, qsizetype hoechstens)
{
    liste.removeAll(datei);
    liste.prepend(datei);
    while (liste.size() > hoechstens)
        liste.removeLast();
    return liste;
}

QString startverzeichnis(const QStringList& zuletzt, const QString& heim)
{
    for (const QString& datei : zuletzt) {
        const QFileInfo info(datei);
        if (info.dir().exists())
            return info.absolutePath();
    }
    return heim;
}

// --- Laufwerksliste ----------------------------------------------------------

Laufwerksliste::Laufwerksliste(QWidget* parent) : QComboBox(parent)
{
    addItems(wurzeln());
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { emit geaendert(); });
}

QStringList Laufwerksliste::wurzeln()
{
    QStringList liste{QStringLiteral("/"), mitSchraegstrich(QDir::homePath())};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString p = mitSchraegstrich(v.rootPath());
        // Removable and extra volumes; the system's own mounts are no choice for a user.
        if ((p.startsWith(QLatin1String("/media/")) || p.startsWith(QLatin1String("/mnt/")) || p.startsWith(QLatin1String("/run/media/")))
            && v.isValid() && v.isReady() && !liste.contains(p))
            liste << p;
    }
    return liste;
}

QString Laufwerksliste::laufwerk() const { return currentText(); }

// --- Verzeichnisliste --------------------------------------------------------

Verzeichnisliste::Verzeichnisliste(QWidget* parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemDoubleClicked, this, &Verzeichnisliste::oeffnen);
    setzePfad(QDir::currentPath());
}

void Verzeichnisliste::setzePfad(const QString& pfad)
{
    QString neu = QDir::cleanPath(QDir(pfad).absolutePath());
    if (!QFileInfo(neu).isDir())
        return;  // a directory that cannot be reached leaves the list as it is
    const bool anders = neu != pfad_;
    pfad_ = neu;
    aktualisieren();
    if (anders)
        emit geaendert();
}

void Verzeichnisliste::aktualisieren()
{
    clear();
    // The chain of parents from the root, indented like the old list box.
    QStringList kette;
    QDir d(pfad_);
    while (true) {
        kette.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int tiefe = 0;
    for (const QString& p : kette) {
        const QString name = p == QLatin1String("/") ? QStringLiteral("/") : QFileInfo(p).fileName();
        auto* e = new QListWidgetItem(QString(tiefe * 2, u' ') + QStringLiteral("▾ ") + name, this);
        e->setData(Qt::UserRole, p);
        ++tiefe;
    }
    setCurrentRow(count() - 1);
    QStringList unter = QDir(pfad_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
    Dateimuster::sortieren(unter);
    for (const QString& u : unter) {
        auto* e = new QListWidgetItem(QString(tiefe * 2, u' ') + QStringLiteral("▸ ") + u, this);
        e->setData(Qt::UserRole, mitSchraegstrich(pfad_) + u);
    }
}

void Verzeichnisliste::oeffnen(QListWidgetItem* eintrag)
{
    if (eintrag)
        setzePfad(eintrag->data(Qt::UserRole).toString());
}

void Verzeichnisliste::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        oeffnen(currentItem());
        return;
    }
    QListWidget::keyPressEvent(e);
}

// --- Dateiliste --------------------------------------------------------------

Dateiliste::Dateiliste(QWidget* parent) : QListWidget(parent)
{
    connect(this, &QListWidget::currentRowChanged, this, [this](int zeile) {
        if (!fuellen_ && zeile >= 0)
            emit angeklickt();
    });
    // A click on the entry that is already selected counts as a click too.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* e) {
        if (!fuellen_ && e && row(e) == currentRow() && e->isSelected())
            emit angeklickt();
    });
}

void Dateiliste::setzePfad(const QString& pfad)
{
    pfad_ = pfad;
    aktualisieren();
}

void Dateiliste::aktualisieren()
{
    fuellen_ = true;
    clear();
    addItems(Dateimuster::datenbankDateien(pfad_));
    setCurrentRow(-1);
    fuellen_ = false;
}

QString Dateiliste::gewaehlteDatei() const
{
    const QListWidgetItem* e = currentItem();
    return e && currentRow() >= 0 ? e->text() : QString();
}

// --- Tabellenauswahl ---------------------------------------------------------

Tabellenauswahl::Tabellenauswahl(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (!programm_) {
            getippt_ = false;
            emit tabelleGeaendert();
        }
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { getippt_ = true; });
    // Typed names take effect when the user leaves the box or presses Enter.
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (getippt_ && !programm_) {
            getippt_ = false;
            emit tabelleGeaendert();
        }
    });
}

QString Tabellenauswahl::text() const { return currentText(); }

void Tabellenauswahl::setzeText(const QString& text)
{
    programm_ = true;
    {
        const QSignalBlocker sperre(this);
        setEditText(text);
    }
    getippt_ = false;
    programm_ = false;
}

void Tabellenauswahl::eintraegeLeeren()
{
    const QString bisher = text();
    programm_ = true;
    {
        const QSignalBlocker sperre(this);
        clear();
        setEditText(bisher);
    }
    programm_ = false;
}

void Tabellenauswahl::eintragHinzufuegen(const QString& name)
{
    const QString bisher = text();
    programm_ = true;
    {
        const QSignalBlocker sperre(this);
        addItem(name, name);
        setCurrentIndex(-1);
        setEditText(bisher);
    }
    programm_ = false;
}

void Tabellenauswahl::eintragWaehlen(int nummer)
{
    programm_ = true;
    {
        const QSignalBlocker sperre(this);
        setCurrentIndex(nummer - 1);
    }
    programm_ = false;
}

void Tabellenauswahl::showPopup()
{
    // The list handler refreshes the entries before the user sees them.
    if (!programm_)
        emit listeGeoeffnet();
    QComboBox::showPopup();
}
