#include "ODBCSchluessel.h"

#include "Ansi.h"
#include "Registry.h"

namespace ODBCSchluessel {

using namespace Plattform;

namespace {

const QByteArray odbcIni = QByteArrayLiteral("SOFTWARE\\ODBC\\ODBC.INI\\");
const QByteArray datenquellenListe = QByteArrayLiteral("SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources");
const QByteArray treiberEnglisch = QByteArrayLiteral("SOFTWARE\\ODBC\\ODBCINST.INI\\Microsoft Access Driver (*.mdb)");
const QByteArray treiberDeutsch = QByteArrayLiteral("SOFTWARE\\ODBC\\ODBCINST.INI\\Microsoft Access-Treiber (*.mdb)");
const QByteArray treiberName = QByteArrayLiteral("Microsoft Access Driver (*.mdb)");

bool treiberLesen(const QByteArray& key, QByteArray& treiberpfad)
{
    QByteArray puffer = leererPuffer();
    if (!RegWertAbfragen(key, QByteArrayLiteral("Driver"), puffer))
        return false;
    treiberpfad = puffer;
    return true;
}

// Writes into a freshly created key and closes it. A value that cannot be
// written makes the whole registration fail: a data source with missing
// values would only fail later, at the first connection.
class Schreiber {
public:
    explicit Schreiber(HKEY key) : key_(key) {}
    ~Schreiber() { registry().RegCloseKey(key_); }
    Schreiber(const Schreiber&) = delete;
    Schreiber& operator=(const Schreiber&) = delete;

    void text(const QByteArray& name, const QByteArray& daten)
    {
        schreiben(name, REG_SZ, daten);
    }
    void zahl(const QByteArray& name, DWORD wert)
    {
        QByteArray daten(4, '\0');
        for (int i = 0; i < 4; ++i)
            daten[i] = char((wert >> (8 * i)) & 0xFF);
        schreiben(name, REG_DWORD, daten);
    }
    bool ok() const { return ok_; }

private:
    void schreiben(const QByteArray& name, DWORD typ, const QByteArray& daten)
    {
        if (registry().RegSetValueExA(key_, name, typ, daten.constData(), DWORD(daten.size())) != ERROR_SUCCESS)
            ok_ = false;
    }
    HKEY key_;
    bool ok_ = true;
};

}  // namespace

QByteArray leererPuffer() { return QByteArray(PufferLaenge, ' '); }

QByteArray treiberText(const QByteArray& puffer)
{
    const qsizetype nul = puffer.indexOf('\0');
    return nul < 0 ? puffer : puffer.left(nul);
}

bool RegWertAbfragen(const QByteArray& key, const QByteArray& valueName, QByteArray& buffer)
{
    Registry& reg = registry();
    HKEY h = 0;
    if (reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    DWORD groesse = DWORD(buffer.size());
    const LONG ergebnis = reg.RegQueryValueExA(h, valueName, nullptr, buffer.data(), &groesse);
    reg.RegCloseKey(h);
    return ergebnis == ERROR_SUCCESS;
}

bool DSNVorhanden(const QByteArray& dsn)
{
    QByteArray puffer = leererPuffer();
    return RegWertAbfragen(datenquellenListe, dsn, puffer);
}

bool TreiberEnglisch(QByteArray& treiberpfad) { return treiberLesen(treiberEnglisch, treiberpfad); }

bool TreiberDeutsch(QByteArray& treiberpfad) { return treiberLesen(treiberDeutsch, treiberpfad); }

bool DSNAnlegen(const QByteArray& treiberpfad, const QByteArray& dsn)
{
    Registry& reg = registry();
    HKEY h = 0;
    if (reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, odbcIni + dsn, &h) != ERROR_SUCCESS)
        return false;
    {
        Schreiber s(h);
        s.text("UID", QByteArray(1, '\0'));
        s.text("Description", nachAnsi(u"ODBC Eintrag für ZELK Programme"));
        s.text("Driver", treiberpfad);
        s.text("FIL", QByteArrayLiteral("SQLite ODBC Driver;"));
        s.zahl("DriverId", 25);
        s.zahl("SafeTransactions", 0);
        if (!s.ok())
            return false;
    }

    if (reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, odbcIni + dsn + QByteArrayLiteral("\\Engines\\Jet"), &h) != ERROR_SUCCESS)
        return false;
    {
        Schreiber s(h);
        s.text("ImplicitCommitSync", QByteArray(1, '\0'));
        s.text("UserCommitSync", QByteArrayLiteral("Yes"));
        s.zahl("MaxBufferSize", 2048);
        s.zahl("PageTimeout", 5);
        s.zahl("Threads", 3);
        if (!s.ok())
            return false;
    }

    if (reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, datenquellenListe, &h) != ERROR_SUCCESS)
        return false;
    Schreiber s(h);
    s.text(dsn, treiberName);
    return s.ok();
}

}  // namespace ODBCSchluessel
