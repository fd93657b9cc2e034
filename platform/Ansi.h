#pragma once
// The ANSI code page of the registry and of the user name: Windows-1252.
// Every byte has a character (the five gaps map to the C1 controls, as
// Windows does), so bytes survive a round trip through QString.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace Plattform {

QString vonAnsi(const QByteArray& bytes);
// A character outside the code page becomes '?'.
QByteArray nachAnsi(QStringView text);
// false when a character has no byte in the code page.
bool ansiDarstellbar(QStringView text);

}  // namespace Plattform
