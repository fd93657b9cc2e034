#!/usr/bin/env python3
"""Fault seeding: plants one small slip at a time in the product code,
rebuilds, and asks the test suite whether it notices.

Each slip (see saat.txt) names its file (or glob patterns), an exact snippet
that must occur exactly once there, its replacement, a description and the
ctest pattern of the tests most likely to catch it. For each slip:

  1. the snippet is replaced in the work tree,
  2. `cmake --build` rebuilds (a build failure makes the slip "ungültig"),
  3. `ctest -R PATTERN --stop-on-failure` runs; a failure means "gefangen",
  4. otherwise the rest of the suite runs (`-E PATTERN`); a failure there is
     "gefangen" too, a pass "überlebt",
  5. the file is restored - always, also on a build failure, a timeout or
     Ctrl+C.

A snippet that is not found (or found more than once) makes the slip
"nicht anwendbar": code moved or changed, the slip needs a new anchor.

Run it under `nice -n 19`; it builds and tests with one job each.
"""

import argparse
import fnmatch
import glob
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

HIER = Path(__file__).resolve().parent


@dataclass
class Slip:
    name: str
    dateien: list = field(default_factory=list)  # glob patterns, relative to the source tree
    muster: str = ""
    ersatz: str = ""
    was: str = ""
    tests: str = ""
    zeile: int = 0  # line of the slip in the list, for messages


def entschluesseln(text):
    r"""Values are one line; \n, \t and \\ stand for newline, tab, backslash."""
    return re.sub(r"\\([nt\\])", lambda m: {"n": "\n", "t": "\t", "\\": "\\"}[m.group(1)], text)


def liste_lesen(pfad):
    """Reads the slip list: blocks starting with `== NAME`, then `key: value` lines."""
    slips, aktuell, fehler = [], None, []
    schluessel = {"datei", "muster", "ersatz", "was", "tests"}
    for nr, roh in enumerate(Path(pfad).read_text(encoding="utf-8").splitlines(), 1):
        if not roh.strip() or roh.lstrip().startswith("#"):
            continue
        if roh.startswith("== "):
            aktuell = Slip(name=roh[3:].strip(), zeile=nr)
            slips.append(aktuell)
            continue
        k, sep, wert = roh.partition(":")
        k = k.strip()
        if aktuell is None or not sep or k not in schluessel:
            fehler.append(f"{pfad}:{nr}: unverständliche Zeile: {roh!r}")
            continue
        wert = wert[1:] if wert.startswith(" ") else wert
        if k == "datei":
            aktuell.dateien = wert.split()
        else:
            setattr(aktuell, k, entschluesseln(wert) if k in ("muster", "ersatz") else wert.strip())
    namen = set()
    for s in slips:
        for k in ("dateien", "muster", "tests"):
            if not getattr(s, k):
                fehler.append(f"{pfad}:{s.zeile}: {s.name}: '{k}' fehlt")
        if s.muster == s.ersatz:
            fehler.append(f"{pfad}:{s.zeile}: {s.name}: Ersatz gleich Muster")
        if s.name in namen:
            fehler.append(f"{pfad}:{s.zeile}: {s.name}: Name doppelt")
        namen.add(s.name)
    if fehler:
        raise SystemExit("\n".join(fehler))
    return slips


def verankern(slip, quelle):
    """The one file holding the snippet, or a reason why there is none."""
    kandidaten = sorted({Path(p) for g in slip.dateien for p in glob.glob(str(quelle / g)) if Path(p).is_file()})
    if not kandidaten:
        return None, "Datei nicht gefunden: " + " ".join(slip.dateien)
    treffer = []
    for k in kandidaten:
        n = k.read_text(encoding="utf-8", errors="surrogateescape").count(slip.muster)
        treffer += [k] * n
    if not treffer:
        return None, "Stelle nicht gefunden in " + " ".join(slip.dateien)
    if len(treffer) > 1:
        orte = ", ".join(sorted({str(t.relative_to(quelle)) for t in treffer}))
        return None, f"Stelle {len(treffer)}-mal gefunden ({orte})"
    return treffer[0], ""


class Abbruch(Exception):
    pass


def beim_signal(signum, _frame):
    raise Abbruch(f"Signal {signum}")


def ausfuehren(befehl, log, zeitlimit, umgebung):
    """Runs befehl in its own process group, output appended to log. Returns
    the exit code, or None after the time limit. The group is ended on every
    way out, Ctrl+C included."""
    with open(log, "a", encoding="utf-8", errors="replace") as f:
        f.write("$ " + " ".join(befehl) + "\n")
        f.flush()
        p = subprocess.Popen(befehl, stdout=f, stderr=subprocess.STDOUT, env=umgebung, start_new_session=True)
        try:
            return p.wait(timeout=zeitlimit)
        except subprocess.TimeoutExpired:
            f.write(f"\n*** nach {zeitlimit} s abgebrochen\n")
            return None
        finally:
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                p.wait()


def fehlgeschlagene(log_text):
    """Names of failed tests in a ctest output (its closing list), without
    the parameter text gtest appends after " # "."""
    namen = re.findall(r"^\s*\d+ - (.+?) \((?:Failed|Timeout|SEGFAULT|Subprocess aborted|Child aborted|Not Run|Exception"
                       r"|ILLEGAL|BUS|OTHER_FAULT|Interrupt|NUMERICAL)[^)]*\)\s*$", log_text, re.M)
    gesehen = []
    for n in namen:
        n = n.split(" # ")[0].strip()
        if n not in gesehen:
            gesehen.append(n)
    return gesehen


def namensmuster(namen):
    """A ctest pattern for exactly these tests (a parameterised test's name
    goes on after the part ctest reports)."""
    if not namen:
        return ""
    schutz = lambda n: re.sub(r"([.\[\]()*+?^$|\\])", r"\\\1", n)
    return "^(" + "|".join(schutz(n) for n in namen) + ")"


class Lauf:
    def __init__(self, args):
        self.quelle = Path(args.quelle).resolve()
        self.bau = Path(args.bau).resolve()
        self.zeitlimit = args.zeitlimit
        self.logs = Path(args.logs).resolve() if args.logs else self.bau / "fehlersaat"
        self.logs.mkdir(parents=True, exist_ok=True)
        self.ohne = args.ohne or ""
        self.umgebung = dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="1", CTEST_PARALLEL_LEVEL="1")

    def bauen(self, log):
        return ausfuehren(["cmake", "--build", str(self.bau)], log, self.zeitlimit, self.umgebung)

    def testen(self, log, auswahl="", ausser=""):
        befehl = ["ctest", "--test-dir", str(self.bau), "-j1", "--stop-on-failure", "--output-on-failure", "--timeout", str(self.zeitlimit)]
        if auswahl:
            befehl += ["-R", auswahl]
        if ausser:
            befehl += ["-E", ausser]
        start = Path(log).stat().st_size if Path(log).exists() else 0
        rc = ausfuehren(befehl, log, self.zeitlimit, self.umgebung)
        text = Path(log).read_text(encoding="utf-8", errors="replace")[start:]
        leer = "No tests were found" in text
        return rc, fehlgeschlagene(text), leer

    def stufe(self, log, auswahl="", ausser=""):
        """One test run whose failures count only when they repeat: a test
        that fails and then passes alone on the same build is flaky (say,
        under the load of a shared machine); it is set aside and the run
        goes on without it. Returns rc, failed names, no tests, flaky names."""
        wackelig = []
        while True:
            weg = "|".join(x for x in [ausser, self.ohne, namensmuster(wackelig)] if x)
            rc, namen, leer = self.testen(log, auswahl, weg)
            if rc in (0, None) or leer or not namen or len(wackelig) >= 5:
                return rc, namen, leer, wackelig
            if self.testen(log, namensmuster(namen))[0] != 0:
                return rc, namen, leer, wackelig
            wackelig += namen

    def grundlauf(self):
        """The unchanged tree must build and pass, or every result would lie."""
        log = self.logs / "grundlauf.log"
        log.write_text("")
        if self.bauen(log) != 0:
            return f"der unveränderte Stand baut nicht (siehe {log})"
        rc, namen, _, wackelig = self.stufe(log)
        if wackelig:
            print("fehlersaat: unsichere Tests (scheitern und bestehen dann allein): " + ", ".join(wackelig), file=sys.stderr)
        if rc != 0:
            return f"der unveränderte Stand besteht die Tests nicht: {', '.join(namen) or '?'} (siehe {log})"
        return ""

    def slip(self, s):
        """Returns (result, detail) with result one of gefangen, überlebt,
        ungültig, nicht anwendbar."""
        datei, grund = verankern(s, self.quelle)
        if not datei:
            return "nicht anwendbar", grund
        log = self.logs / f"{s.name}.log"
        log.write_text(f"{s.name}: {s.was}\n{datei.relative_to(self.quelle)}: {s.muster!r} -> {s.ersatz!r}\n")
        original = datei.read_bytes()
        text = original.decode("utf-8", errors="surrogateescape")
        try:
            datei.write_bytes(text.replace(s.muster, s.ersatz, 1).encode("utf-8", errors="surrogateescape"))
            rc = self.bauen(log)
            if rc is None:
                return "ungültig", f"Bau nach {self.zeitlimit} s abgebrochen"
            if rc != 0:
                return "ungültig", "baut nicht"
            rc, namen, leer, wackelig = self.stufe(log, auswahl=s.tests)
            unsicher = f" (unsicher und übergangen: {', '.join(wackelig)})" if wackelig else ""
            if rc != 0 and not leer:
                return "gefangen", (", ".join(namen) or ("Zeitüberschreitung" if rc is None else "?")) + unsicher
            hinweis = " (Muster trifft keinen Test)" if leer else ""
            rc, namen, _, wackelig2 = self.stufe(log, ausser="" if leer else s.tests)
            if wackelig2:
                unsicher = f" (unsicher und übergangen: {', '.join(wackelig + wackelig2)})"
            if rc != 0:
                return "gefangen", (", ".join(namen) or ("Zeitüberschreitung" if rc is None else "?")) + " (Gesamtlauf)" + hinweis + unsicher
            return "überlebt", "Gesamtlauf bestanden" + hinweis + unsicher
        finally:
            # Written back with a new time stamp, so that the next build
            # compiles it again (ccache makes that cheap).
            datei.write_bytes(original)
            os.utime(datei)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("slips", nargs="*", help="nur diese Slips (Namen oder Muster wie 'W*')")
    ap.add_argument("--liste", default=str(HIER / "saat.txt"), help="die Liste der Slips")
    ap.add_argument("--quelle", default=str(HIER.parent.parent), help="der Quellbaum (Vorgabe: dieser)")
    ap.add_argument("--bau", default=None, help="das Bauverzeichnis (Vorgabe: QUELLE/build)")
    ap.add_argument("--zeitlimit", type=int, default=900, help="Sekunden je Bau- oder Testlauf (Vorgabe 900)")
    ap.add_argument("--logs", default=None, help="Verzeichnis der Protokolle (Vorgabe: BAU/fehlersaat)")
    ap.add_argument("--ohne", default="", help="ctest-Muster von Tests, die nie laufen (etwa unsichere)")
    ap.add_argument("--ohne-grundlauf", action="store_true", help="den unveränderten Stand nicht erst prüfen")
    ap.add_argument("--pruefen", action="store_true", help="nur prüfen, ob jede Stelle genau einmal vorkommt")
    args = ap.parse_args()
    args.bau = args.bau or str(Path(args.quelle) / "build")

    slips = liste_lesen(args.liste)
    if args.slips:
        slips = [s for s in slips if any(fnmatch.fnmatchcase(s.name, m) for m in args.slips)]
        if not slips:
            raise SystemExit("kein Slip passt zu " + " ".join(args.slips))

    if args.pruefen:
        quelle = Path(args.quelle).resolve()
        schlecht = 0
        for s in slips:
            datei, grund = verankern(s, quelle)
            if not datei:
                schlecht += 1
            print(f"{s.name:<6} {'ok' if datei else 'nicht anwendbar'}  {datei.relative_to(quelle) if datei else grund}")
        return 1 if schlecht else 0

    signal.signal(signal.SIGTERM, beim_signal)
    signal.signal(signal.SIGHUP, beim_signal)
    lauf = Lauf(args)
    if not args.ohne_grundlauf:
        grund = lauf.grundlauf()
        if grund:
            raise SystemExit("fehlersaat: " + grund)

    zaehler = {"gefangen": 0, "überlebt": 0, "ungültig": 0, "nicht anwendbar": 0}
    try:
        for s in slips:
            beginn = time.monotonic()
            ergebnis, detail = lauf.slip(s)
            zaehler[ergebnis] += 1
            print(f"{s.name:<6} {ergebnis:<16} {detail}  [{s.was}] ({time.monotonic() - beginn:.0f} s)", flush=True)
    except (KeyboardInterrupt, Abbruch):
        print("fehlersaat: abgebrochen; die Datei des laufenden Slips ist wiederhergestellt", file=sys.stderr)
        return 130
    zeile = f"{zaehler['gefangen']} caught, {zaehler['überlebt']} survived, {zaehler['ungültig']} invalid"
    if zaehler["nicht anwendbar"]:
        zeile += f", {zaehler['nicht anwendbar']} not applicable"
    print(zeile)
    return 0


if __name__ == "__main__":
    sys.exit(main())
