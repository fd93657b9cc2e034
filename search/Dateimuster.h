#pragma once
// Which files the file list offers, and in which order: shared by the
// window's lists and the command-line search, which needs no window.

#include <QString>
#include <QStringList>

namespace Dateimuster {

// The files of a directory that match "*.mdb", in any case, sorted.
QStringList mdbDateien(const QString& verzeichnis);

// Numbers in names in their order (Kunden2 before Kunden10), case ignored.
void sortieren(QStringList& namen);

}  // namespace Dateimuster
