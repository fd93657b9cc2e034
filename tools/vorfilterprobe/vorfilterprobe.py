#!/usr/bin/env python3
"""Damaged copies of the real files, searched with the reader's candidate
filter and with every value matched (ZF_VOLLER_VERGLEICH=1): both must give
the same output, messages and exit code. The filter judges rows on their
stored bytes and reads past field ends into the page's reserve; damage it
passes over, or a row it judges wrongly, shows here as a difference.
Run it with the sanitizer build too (build-asan/bin), which also catches a
read beyond a buffer.

    tools/vorfilterprobe/vorfilterprobe.py build/bin [SEED] [COPIES] [FOLDER...]
"""
import glob
import os
import random
import subprocess
import sys
import tempfile

TEXTS = ['e', 'müller', '1', 'wahr', 'a*c']


def damaged(data, rnd, kind, page):
    d = bytearray(data)
    if kind == 0:  # bytes flipped in the rows of data pages (type 1), which lie at a page's end
        daten = [p for p in range(page * 2, len(d) - page + 1, page) if d[p] == 1]
        for _ in range(rnd.randint(1, 20)):
            if daten:
                d[rnd.choice(daten) + page - 1 - rnd.randrange(page // 2)] = rnd.randrange(256)
    elif kind == 1:  # a page zeroed
        p = rnd.randrange(2, len(d) // page) * page
        d[p:p + page] = bytes(page)
    else:  # cut short
        d = d[:rnd.randrange(len(d) // 2, len(d))]
    return bytes(d)


def search(program, path, text, full):
    env = dict(os.environ, ASAN_OPTIONS='detect_leaks=0')
    if full:
        env['ZF_VOLLER_VERGLEICH'] = '1'
    r = subprocess.run([program, '--alle-tabellen', path, text], env=env, capture_output=True, timeout=300)
    return r.returncode, r.stdout, r.stderr


def main():
    program = os.path.join(sys.argv[1], 'zelk-feldspur-suche')
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    copies = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    here = os.path.dirname(os.path.abspath(__file__))
    folders = sys.argv[4:] or [os.path.join(here, '../../../shared/realdata'), os.path.join(here, '../../../shared/realdata-accdb')]
    files = sorted(f for d in folders for f in glob.glob(os.path.join(d, '*.*db')) if os.path.getsize(f) < 3_000_000)
    rnd = random.Random(seed)
    differences = failures = runs = 0
    with tempfile.TemporaryDirectory() as tmp:
        for f in files:
            data = open(f, 'rb').read()
            page = 2048 if data[0x14] == 0 else 4096
            for i in range(copies):
                path = os.path.join(tmp, 'kopie' + os.path.splitext(f)[1])
                open(path, 'wb').write(damaged(data, rnd, i % 3, page))
                for text in TEXTS:
                    filtered, full = search(program, path, text, False), search(program, path, text, True)
                    runs += 2
                    for r in (filtered, full):
                        if r[0] not in (0, 1, 2) or b'Sanitizer' in r[2] or b'runtime error' in r[2]:
                            failures += 1
                            print('ABSTURZ', f, i, text, r[0], r[2][-600:].decode('utf-8', 'replace'))
                    if filtered != full:
                        differences += 1
                        print('VERSCHIEDEN', f, i, text, filtered[0], full[0])
    print(f'{len(files)} Dateien, {runs} Suchen, {differences} verschieden, {failures} abgestürzt')
    return 1 if differences or failures else 0


if __name__ == '__main__':
    sys.exit(main())
