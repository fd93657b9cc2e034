#pragma once
// What a cell of the grid shows: the value text of the search in the
// user's locale, cut to its first line for memo values, a size note for
// binary values, and a separate look for Null. Built on the loader's thread,
// so the window thread only hands out finished texts.

#include "Bereich.h"
#include "Wert.h"
#include "Werttext.h"

#include <QLocale>
#include <QString>

#include <cstdint>
#include <vector>

namespace Gitterzelle {

enum class Art : std::uint8_t { Null, Text, Zahl, Binaer };

struct Zelle {
    Art art = Art::Null;
    QString anzeige;  // what the cell shows
    QString voll;     // the whole value text where the cell shows less; else empty
};

// The cell of a value. Numbers, dates, Yes/No and GUIDs count as Zahl (they
// are aligned to the right).
Zelle zelleAus(const Datenzugriff::Wert& w, const Datenzugriff::Werttext& werttext, const QLocale& locale);

// "(Binärdaten, 12 Bytes)", "(Binärdaten, 1,5 KB)", "(Binärdaten, 2,3 MB)".
QString binaerHinweis(qint64 bytes, const QLocale& locale);

// The text up to the first line break, with " …" where more follows.
QString ersteZeile(const QString& text);

// The whole value text of a cell, as copying takes it.
inline const QString& wertText(const Zelle& z) { return z.voll.isEmpty() ? z.anzeige : z.voll; }

// The tool tip: the whole value where the cell shows less, or a long value
// that the column may cut; empty otherwise.
QString tooltip(const Zelle& z);

// Bytes a cell keeps alive, for the bound of the cache.
std::size_t groesse(const Zelle& z);

// A selection of cells as tab-separated text, one line per row, "\n" between
// lines. Fields holding a tab, a line break or a leading quote are quoted, as
// spreadsheets read them.
QString kopierFeld(const QString& text);
QString tabellenText(const std::vector<std::vector<QString>>& zeilen);

// One line of a copy: for each column of the plan the whole value text of
// the cell when the selection covers it (zelle gives it, or nullptr), else empty.
template <class ZelleVon>
std::vector<QString> kopierZeile(std::int64_t zeile, const std::vector<int>& spalten,
                                 const std::vector<Gitterbereich::Rechteck>& auswahl, ZelleVon zelle)
{
    std::vector<QString> felder;
    felder.reserve(spalten.size());
    for (int s : spalten) {
        const Zelle* z = Gitterbereich::ausgewaehlt(auswahl, zeile, s) ? zelle(s) : nullptr;
        felder.push_back(z ? wertText(*z) : QString());
    }
    return felder;
}

}  // namespace Gitterzelle
