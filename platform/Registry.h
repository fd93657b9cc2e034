#pragma once
// The registry of the platform, as the start-up logic calls it: the Win32
// operations with their codes, over a store of text files in the style of
// Wine's .reg files. Names and string data are ANSI bytes (see Ansi.h);
// key and value names compare without regard to case; data bytes are kept
// exactly as written.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Plattform {

using HKEY = std::uint32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_LOCK_VIOLATION = 33;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr DWORD KEY_NOTIFY = 0x0010;
inline constexpr DWORD KEY_READ = 0x20019;
inline constexpr DWORD KEY_WRITE = 0x20006;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

class Registry {
public:
    virtual ~Registry() = default;
    // Opens an existing key below key; an empty subKey opens key itself.
    virtual LONG RegOpenKeyExA(HKEY key, const QByteArray& subKey, DWORD options, DWORD samDesired, HKEY* ergebnis) = 0;
    // type and data may be null. With data null only type and size come
    // back; a buffer smaller than the data gives ERROR_MORE_DATA and the
    // size needed in *cbData.
    virtual LONG RegQueryValueExA(HKEY key, const QByteArray& valueName, DWORD* type, char* data, DWORD* cbData) = 0;
    // Creates the key and every missing key above it, or opens it.
    virtual LONG RegCreateKeyA(HKEY key, const QByteArray& subKey, HKEY* ergebnis) = 0;
    // Writes exactly cbData bytes, replacing a value of that name.
    virtual LONG RegSetValueExA(HKEY key, const QByteArray& valueName, DWORD type, const char* data, DWORD cbData) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
};

// Contents of one store file.
struct RegWert {
    QByteArray name;
    DWORD typ = REG_NONE;
    QByteArray daten;
};

struct RegSchluessel {
    QByteArray pfad;  // as first created, parts joined by '\'
    std::vector<RegWert> werte;  // in write order

    const RegWert* wert(const QByteArray& name) const;
    void setzen(RegWert w);
};

struct RegInhalt {
    std::vector<RegSchluessel> schluessel;  // in creation order

    const RegSchluessel* finden(const QByteArray& pfad) const;
    // Recorded, or above a recorded key.
    bool vorhanden(const QByteArray& pfad) const;
    // Creates the key and the missing keys above it.
    RegSchluessel& anlegen(const QByteArray& pfad);
};

// "A\\b\\\\c\\" -> "A\b\c": empty parts dropped.
QByteArray regPfadNormal(const QByteArray& pfad);
bool regNamenGleich(const QByteArray& a, const QByteArray& b);

QByteArray regDateiText(const RegInhalt& inhalt, const QString& wurzelName);
// nullopt for a damaged file; fehler then names the line and the fault.
std::optional<RegInhalt> regDateiLesen(const QByteArray& text, QString* fehler);

// "HKEY_LOCAL_MACHINE" for HKEY_LOCAL_MACHINE; empty for other handles.
QString regWurzelName(HKEY wurzel);

// The store: one file per root, <root name>.reg, in verzeichnis (written
// atomically under a lock file), over read-only files of the same names in
// schicht. A directory that cannot be written makes create and write fail
// with ERROR_ACCESS_DENIED. A damaged file is reported once by a message
// naming it; that root then answers ERROR_REGISTRY_CORRUPT and its file is
// left alone.
class RegistryDateien final : public Registry {
public:
    explicit RegistryDateien(QString verzeichnis, QString schicht = {});
    ~RegistryDateien() override;

    LONG RegOpenKeyExA(HKEY key, const QByteArray& subKey, DWORD options, DWORD samDesired, HKEY* ergebnis) override;
    LONG RegQueryValueExA(HKEY key, const QByteArray& valueName, DWORD* type, char* data, DWORD* cbData) override;
    LONG RegCreateKeyA(HKEY key, const QByteArray& subKey, HKEY* ergebnis) override;
    LONG RegSetValueExA(HKEY key, const QByteArray& valueName, DWORD type, const char* data, DWORD cbData) override;
    LONG RegCloseKey(HKEY key) override;

    QString datei(HKEY wurzel) const;
    QString schichtDatei(HKEY wurzel) const;

    // The user's data directory and the layer beside the program.
    static QString standardVerzeichnis();
    static QString programmSchicht();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The store in use; the program's default is RegistryDateien on the two
// standard places, tests install their own.
Registry& registry();
void setzeRegistry(std::shared_ptr<Registry> r);

}  // namespace Plattform
