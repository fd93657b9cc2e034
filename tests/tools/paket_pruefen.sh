#!/bin/sh
# The Debian package as a user gets it: built with CPack, unpacked into a
# scratch root with dpkg -x; the installed search reads a database written
# here, and the installed program, started with the command of its menu
# entry, comes up offscreen and registers its data source.
#   paket_pruefen.sh CPACK BUILD-VERZEICHNIS SCHREIBER BESCHREIBUNG
set -u
cpack=$1 build=$2 schreiber=$3 beschreibung=$4
tmp=$(mktemp -d)
gui=""
aufraeumen() {
    [ -n "$gui" ] && kill "$gui" 2>/dev/null
    rm -rf "$tmp"
}
trap aufraeumen EXIT
fehler=0
falsch() { echo "FEHLER: $*"; fehler=1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/paket" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb="$tmp/paket/zelk-feldspur_1.4.1_amd64.deb"
[ -f "$deb" ] || { ls "$tmp/paket"; echo "FEHLER: kein $deb"; exit 1; }
for d in qt6-qpa-plugins libqt6widgets6 libmdb3 libc6; do
    dpkg-deb -f "$deb" Depends | grep -q "$d" || falsch "Depends ohne $d: $(dpkg-deb -f "$deb" Depends)"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "xdg-utils, qt6-translations-l10n" ] || falsch "Recommends: $(dpkg-deb -f "$deb" Recommends)"

root="$tmp/root"
dpkg -x "$deb" "$root" || exit 1
for f in usr/bin/zelk-feldspur usr/bin/zelk-feldspur-suche usr/lib/zelk-feldspur/zelk-feldspur-leser \
         usr/lib/zelk-feldspur/Hilfe/ZELK-FELDSPUR.HLP usr/lib/zelk-feldspur/Registry/HKEY_LOCAL_MACHINE.reg \
         usr/share/applications/de.zelk.Feldspur.desktop usr/share/metainfo/de.zelk.Feldspur.metainfo.xml \
         usr/share/icons/hicolor/96x96/apps/de.zelk.Feldspur.png usr/share/man/man1/zelk-feldspur-suche.1.gz; do
    [ -e "$root/$f" ] || falsch "$f fehlt im Paket"
done
grep -q '"Driver"="/usr/lib/zelk-feldspur/zelk-feldspur-leser"' "$root/usr/lib/zelk-feldspur/Registry/HKEY_LOCAL_MACHINE.reg" \
    || falsch "die Registry-Schicht nennt den installierten Leseprozess nicht"
gzip -t "$root/usr/share/man/man1/zelk-feldspur-suche.1.gz" || falsch "Handbuchseite"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/de.zelk.Feldspur.desktop" || falsch "desktop-Datei"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/de.zelk.Feldspur.metainfo.xml" >"$tmp/as.log" 2>&1 \
        || { cat "$tmp/as.log"; falsch "AppStream-Datei"; }
fi

# The installed search, through its link in /usr/bin, with the reader beside it.
mkdir -p "$tmp/daten/alt"
"$schreiber" "$beschreibung" "$tmp/daten/alt/Beispiel.mdb" >/dev/null || exit 1
LC_ALL=C.UTF-8 "$root/usr/bin/zelk-feldspur-suche" --alle-tabellen -r --format protokoll --utf8 "$tmp/daten" "M*ller" >"$tmp/aus.txt" 2>"$tmp/err.txt"
rc=$?
[ $rc -eq 0 ] || { cat "$tmp/err.txt"; falsch "installierte Suche: Rückgabewert $rc"; }
grep -q "^>>Datei: $tmp/daten/alt/Beispiel.mdb	Tabelle: Kunden$" "$tmp/aus.txt" || falsch "keine Überschrift: $(cat "$tmp/aus.txt")"
grep -q "^Satz: 1		Nachname	Feldinhalt: Müller$" "$tmp/aus.txt" || falsch "kein Treffer: $(cat "$tmp/aus.txt")"
LC_ALL=C.UTF-8 "$root/usr/bin/zelk-feldspur-suche" "$tmp/daten/alt/Beispiel.mdb" Kunden "Gibt es nicht" >/dev/null 2>&1
[ $? -eq 1 ] || falsch "ohne Treffer nicht 1"

# The program, started as the menu entry starts it, in a fresh home.
befehl=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/usr/share/applications/de.zelk.Feldspur.desktop")
[ -x "$root/usr/bin/$befehl" ] || falsch "Exec=$befehl ist nicht im Paket"
mkdir -p "$tmp/home" "$tmp/lauf"
chmod 700 "$tmp/lauf"
HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/.local/share" XDG_RUNTIME_DIR="$tmp/lauf" QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/$befehl" >"$tmp/gui.log" 2>&1 &
gui=$!
store="$tmp/home/.local/share/ZELK-Feldspur/Registry/HKEY_LOCAL_MACHINE.reg"
i=0
while [ $i -lt 300 ] && ! grep -q "ZELK-Access" "$store" 2>/dev/null; do
    kill -0 "$gui" 2>/dev/null || break
    sleep 0.1
    i=$((i + 1))
done
grep -q "ZELK-Access" "$store" 2>/dev/null || { cat "$tmp/gui.log"; falsch "das Programm hat seine Datenquelle nicht eingetragen"; }
grep -q '"Driver" = "/usr/lib/zelk-feldspur/zelk-feldspur-leser' "$store" 2>/dev/null || falsch "Treiber der Datenquelle"
# Still up behind its start-up window after a moment: no fatal message, no crash.
sleep 1
kill -0 "$gui" 2>/dev/null || { cat "$tmp/gui.log"; falsch "das Programm hat sich beendet"; }

[ $fehler -eq 0 ] && echo "Paket $(basename "$deb"): gebaut, entpackt, Suche und Programmstart geprüft"
exit $fehler
