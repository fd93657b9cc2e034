#pragma once
// Module ODBCSchlüssel: is an Access ODBC driver installed, is the data
// source listed, and its registration. Everything goes to
// HKEY_LOCAL_MACHINE of Plattform::registry(); names and data are ANSI bytes.

#include <QByteArray>

namespace ODBCSchluessel {

inline constexpr int PufferLaenge = 255;
inline constexpr char DatenquellenName[] = "ZELK-Access";

// 255 blanks: the buffer every probe starts with.
QByteArray leererPuffer();
// The driver path in a probe buffer: the text before the first NUL.
QByteArray treiberText(const QByteArray& puffer);

// Reads valueName of HKEY_LOCAL_MACHINE\key into buffer (as many bytes as
// buffer is long, over its old content). false when the key cannot be
// opened or the value does not fit or is missing.
bool RegWertAbfragen(const QByteArray& key, const QByteArray& valueName, QByteArray& buffer);
bool DSNVorhanden(const QByteArray& dsn);
// On success treiberpfad becomes the whole 255-byte read buffer.
bool TreiberEnglisch(QByteArray& treiberpfad);
bool TreiberDeutsch(QByteArray& treiberpfad);
// Writes the data-source key, its Engines\Jet key and its list entry, in
// that order; nothing is rolled back when a step fails.
bool DSNAnlegen(const QByteArray& treiberpfad, const QByteArray& dsn);

}  // namespace ODBCSchluessel
