#pragma once
// The database files named on the command line: files as given, folders
// by their files as the main window's file list shows them (*.mdb and *.accdb in any
// case), with subfolders when asked.

#include <QString>
#include <QStringList>

#include <vector>

namespace Kommandozeile {

struct Fundstelle {
    QString pfad;    // as given, or folder as given + "/" + name
    QString fehler;  // German; a folder that cannot be read or a missing path
};

// In argument order; in a folder its files (sorted as the file list sorts
// them), then each subfolder in the same order. A folder reached twice
// (through a link) is read once.
std::vector<Fundstelle> dateienSammeln(const QStringList& pfade, bool rekursiv);

// Why a file cannot go to the reader, before it is tried; empty when it can.
// A FIFO would block the reader until its watchdog ends it.
QString dateiPruefen(const QString& pfad);

}  // namespace Kommandozeile
