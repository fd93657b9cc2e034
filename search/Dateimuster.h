#pragma once
// Which files the file list offers, and in which order: shared by the
// window's lists and the command-line search, which needs no window.

#include <QString>
#include <QStringList>

namespace Dateimuster {

// Whether a file name is that of an Access database: "*.mdb" (Access 97 to
// 2003) or "*.accdb" (Access 2007 and newer), in any case.
bool istDatenbankName(const QString& name);

// The files of a directory with a database name, sorted.
QStringList datenbankDateien(const QString& verzeichnis);

// Numbers in names in their order (Kunden2 before Kunden10), case ignored.
void sortieren(QStringList& namen);

}  // namespace Dateimuster
