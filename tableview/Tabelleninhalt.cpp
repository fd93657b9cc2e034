#include "Tabelleninhalt.h"

#include "frmTabelleninhalt.h"

namespace Tabelleninhalt {

namespace {
std::function<void()> hauptfenster_;
Datenzugriff::Connection::LeserFabrik fabrik_;

frmTabelleninhalt& fenster()
{
    const bool neu = !frmTabelleninhalt::vorhanden();
    frmTabelleninhalt& f = frmTabelleninhalt::instanz();
    if (neu) {
        f.hauptfensterZeigen = hauptfenster_;
        if (fabrik_)
            f.leserFabrik = fabrik_;
    }
    return f;
}
}  // namespace

void zeigen() { fenster().zeigen(); }

void zeigenBeiSatz(std::int64_t satz, const QString& feld) { fenster().zeigenBeiSatz(satz, feld); }

void entladen()
{
    if (frmTabelleninhalt::vorhanden() && frmTabelleninhalt::instanz().geladen())
        frmTabelleninhalt::instanz().close();
}

void setzeHauptfensterZeigen(std::function<void()> f)
{
    hauptfenster_ = std::move(f);
    if (frmTabelleninhalt::vorhanden())
        frmTabelleninhalt::instanz().hauptfensterZeigen = hauptfenster_;
}

void setzeLeserFabrik(Datenzugriff::Connection::LeserFabrik f)
{
    fabrik_ = std::move(f);
    if (frmTabelleninhalt::vorhanden() && fabrik_)
        frmTabelleninhalt::instanz().leserFabrik = fabrik_;
}

void zerstoeren()
{
    if (frmTabelleninhalt::vorhanden())
        delete &frmTabelleninhalt::instanz();
}

}  // namespace Tabelleninhalt
