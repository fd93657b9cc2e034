#!/bin/sh
# The Debian package as a user gets it: built with CPack, checked by lintian
# (when installed) and unpacked into a scratch root with dpkg -x; the
# installed search reads a database written here, and the installed program,
# started with the command of its menu entry, comes up offscreen and
# registers its data source.
#   paket_pruefen.sh CPACK BUILD-VERZEICHNIS SCHREIBER BESCHREIBUNG GEHAERTET
set -u
cpack=$1 build=$2 schreiber=$3 beschreibung=$4 gehaertet=${5:-OFF}
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
for d in qt6-qpa-plugins libqt6widgets6 libmdb3 libc6 fonts-liberation; do
    dpkg-deb -f "$deb" Depends | grep -q "$d" || falsch "Depends ohne $d: $(dpkg-deb -f "$deb" Depends)"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "xdg-utils, qt6-translations-l10n" ] || falsch "Recommends: $(dpkg-deb -f "$deb" Recommends)"
dpkg-deb -f "$deb" Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[a-z0-9.-]+\.[a-z]+>$' || falsch "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
dpkg-deb -f "$deb" Maintainer | grep -q 'example\.\|invalid' && falsch "Maintainer ist ein Platzhalter"
# Errors and warnings count; spelling notes on German words are only information.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 \
        || { cat "$tmp/lintian.log"; falsch "lintian"; }
fi

root="$tmp/root"
dpkg -x "$deb" "$root" || exit 1
daten=usr/share/zelk-feldspur doku=usr/share/doc/zelk-feldspur
for f in usr/bin/zelk-feldspur usr/bin/zelk-feldspur-suche usr/lib/zelk-feldspur/zelk-feldspur-leser \
         $daten/Hilfe/ZELK-FELDSPUR.HLP $daten/Registry/HKEY_LOCAL_MACHINE.reg $daten/Beispiel.mdb \
         usr/share/applications/de.zelk.Feldspur.desktop usr/share/metainfo/de.zelk.Feldspur.metainfo.xml \
         usr/share/icons/hicolor/96x96/apps/de.zelk.Feldspur.png usr/share/mime/packages/zelk-feldspur.xml \
         usr/share/man/man1/zelk-feldspur.1.gz usr/share/man/man1/zelk-feldspur-suche.1.gz $doku/copyright $doku/changelog.gz; do
    [ -e "$root/$f" ] || falsch "$f fehlt im Paket"
done
[ -z "$(find "$root/usr/lib/zelk-feldspur" -type d -mindepth 1)" ] || falsch "Daten im Programmverzeichnis: $(find "$root/usr/lib/zelk-feldspur" -mindepth 1)"
grep -q '"Driver"="/usr/lib/zelk-feldspur/zelk-feldspur-leser"' "$root/$daten/Registry/HKEY_LOCAL_MACHINE.reg" \
    || falsch "die Registry-Schicht nennt den installierten Leseprozess nicht"
for g in usr/share/man/man1/zelk-feldspur.1.gz usr/share/man/man1/zelk-feldspur-suche.1.gz $doku/changelog.gz; do
    gzip -t "$root/$g" || falsch "$g"
done
grep -q '^License: GPL-3+$' "$root/$doku/copyright" && grep -q '^Files: tests/data/real/biblio.mdb$' "$root/$doku/copyright" \
    || falsch "copyright ohne die Lizenz des Programms oder der echten Testdateien"
grep -q 'MimeType=application/vnd.ms-access;application/x-msaccess;' "$root/usr/share/applications/de.zelk.Feldspur.desktop" \
    || falsch "MimeType der desktop-Datei"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$root/usr/share/metainfo/de.zelk.Feldspur.metainfo.xml" \
    || falsch "project_license"
# The packaged build carries Debian's hardening: relro and bindnow, stack
# protector, and the code compiled with fortify (calls whose buffer size the
# compiler cannot see stay unchecked, so the symbols cannot show it).
if [ "$gehaertet" = ON ]; then
    grep -q -- '-D_FORTIFY_SOURCE=2' "$build/compile_commands.json" || falsch "nicht mit fortify übersetzt"
    for p in zelk-feldspur zelk-feldspur-leser zelk-feldspur-suche; do
        b="$root/usr/lib/zelk-feldspur/$p"
        readelf -lW "$b" | grep -q GNU_RELRO || falsch "$p ohne relro"
        readelf -dW "$b" | grep -q 'BIND_NOW' || falsch "$p ohne bindnow"
        readelf -sW --dyn-syms "$b" | grep -q '__stack_chk_fail' || falsch "$p ohne stack protector"
    done
fi

# --help and --version answer on a terminal without any display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/zelk-feldspur" --version >"$tmp/version.txt" 2>&1 \
    && head -1 "$tmp/version.txt" | grep -qx 'ZELK-Feldspur 1.4.1' || falsch "--version: $(cat "$tmp/version.txt")"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/zelk-feldspur" --help >"$tmp/hilfe.txt" 2>&1 \
    && grep -q '^Aufruf: zelk-feldspur \[DATEI\]$' "$tmp/hilfe.txt" || falsch "--help: $(cat "$tmp/hilfe.txt")"
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
# The entry in the list of data sources is written last.
while [ $i -lt 300 ] && ! grep -q '^"ZELK-Access"=' "$store" 2>/dev/null; do
    kill -0 "$gui" 2>/dev/null || break
    sleep 0.1
    i=$((i + 1))
done
grep -q '^"ZELK-Access"=' "$store" 2>/dev/null || { cat "$tmp/gui.log"; falsch "das Programm hat seine Datenquelle nicht eingetragen"; }
grep -q '"Driver" = "/usr/lib/zelk-feldspur/zelk-feldspur-leser' "$store" 2>/dev/null || falsch "Treiber der Datenquelle"
# Still up behind its start-up window after a moment: no fatal message, no crash.
sleep 1
kill -0 "$gui" 2>/dev/null || { cat "$tmp/gui.log"; falsch "das Programm hat sich beendet"; }

[ $fehler -eq 0 ] && echo "Paket $(basename "$deb"): gebaut, entpackt, Suche und Programmstart geprüft"
exit $fehler
