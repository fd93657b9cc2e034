#include "RegistryRead.h"

#include "Meldung.h"

#include <array>
#include <new>
#include <utility>

namespace RegistryRead {

using namespace Plattform;

std::optional<HKEY> wurzel(const QString& rootName)
{
    static const std::array<std::pair<const char*, HKEY>, 7> tabelle = {{
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
        {"HKEY_USERS", HKEY_USERS},
    }};
    for (const auto& [name, h] : tabelle)
        if (rootName == QLatin1String(name))
            return h;
    return std::nullopt;
}

QByteArray RegWertLesen(const QString& rootName, const QByteArray& keyPath, const QByteArray& valueName,
                        std::int32_t& valueType)
{
    const std::optional<HKEY> root = wurzel(rootName);
    if (!root)
        return {};
    Registry& reg = registry();
    HKEY h = 0;
    if (reg.RegOpenKeyExA(*root, keyPath, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return {};
    QByteArray text;
    try {
        DWORD typ = DWORD(valueType);
        DWORD groesse = 0;
        reg.RegQueryValueExA(h, valueName, &typ, nullptr, &groesse);
        valueType = std::int32_t(typ);
        text = QByteArray(qsizetype(groesse), ' ');
        // The value may change between the two reads; a read that fails
        // gives no text rather than the blanks of the buffer.
        if (groesse && reg.RegQueryValueExA(h, valueName, &typ, text.data(), &groesse) != ERROR_SUCCESS)
            text.clear();
    } catch (const std::bad_alloc&) {
        Meldung(QStringLiteral("7 > Nicht genügend Speicher"), Symbol::Kritisch, Knoepfe::OK);
        reg.RegCloseKey(h);
        valueType = -1;
        return {};
    } catch (const std::exception& e) {
        Meldung(QStringLiteral("51 > Interner Fehler: ") + QString::fromLocal8Bit(e.what()), Symbol::Kritisch, Knoepfe::OK);
        reg.RegCloseKey(h);
        valueType = -1;
        return {};
    }
    if (reg.RegCloseKey(h) != ERROR_SUCCESS)
        valueType = -1;
    return text;
}

}  // namespace RegistryRead
