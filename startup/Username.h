#pragma once
// Module Username: the name of the user running the program.

#include <QString>

namespace Username {

inline constexpr int PufferLaenge = 255;

// The name from "Current User", else "CurrentUser" under
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control; a value counts only
// when it holds a NUL. With neither, a message that the user is unknown and
// the program ends.
QString UserAusRegistry();
// The system's user name, else UserAusRegistry().
QString UserErmitteln();

}  // namespace Username
