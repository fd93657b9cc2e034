#pragma once
// Module RegistryRead: a registry value of any root as text.

#include "Registry.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace RegistryRead {

// The predefined root of an exact (case-sensitive) root name.
std::optional<Plattform::HKEY> wurzel(const QString& rootName);

// The value's bytes, as many as it has: a string comes back with its NUL.
// Empty for an unknown root, a missing key or value. valueType receives the
// value's type, or -1 when closing the key fails or an unexpected error
// was shown.
QByteArray RegWertLesen(const QString& rootName, const QByteArray& keyPath, const QByteArray& valueName,
                        std::int32_t& valueType);

}  // namespace RegistryRead
