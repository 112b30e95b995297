#!/usr/bin/env python3
"""Times qor --sync, process start to exit, against a Radicale started here on a loopback port:
the first sync of a book of N contacts into an empty address book, then a sync with nothing
changed (median of 3), then a sync with one contact changed on each side (median of 3).
Prints "name milliseconds" lines for scripts/bench.

Usage: bench_sync.py QOR GENERATED_BOOK WORK_FOLDER [N]"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "carddav"))
from carddav_servers import PASSWORD, USER, Server  # noqa: E402


def timed(command):
    start = time.monotonic()
    run = subprocess.run(command, capture_output=True, text=True)
    elapsed = (time.monotonic() - start) * 1000
    if run.returncode != 0:
        raise SystemExit("failed: %s\n%s%s" % (command, run.stdout, run.stderr))
    return elapsed, run.stdout.strip()


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def main():
    qor, generate, work = sys.argv[1:4]
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 10000
    os.makedirs(work, exist_ok=True)
    book = os.path.join(work, "sync.qor")
    subprocess.run([generate, str(count), book], check=True, stdout=subprocess.DEVNULL)
    password = os.path.join(work, "password")
    with open(password, "w") as f:
        f.write(PASSWORD + "\n")
    os.chmod(password, 0o600)
    server = Server("radicale", os.path.join(work, "radicale"))
    server.start()
    try:
        address_book = server.make_address_book("bench")
        first, said = timed([qor, "--sync", server.root()[:-1] + address_book, "--user", USER,
                             "--password-file", password, book])
        print("sync_first_%d %.1f" % (count, first))
        print("# %s" % said, file=sys.stderr)
        nothing = [timed([qor, "--sync", book])[0] for _ in range(3)]
        print("sync_nothing_%d %.1f" % (count, median(nothing)))
        changed = []
        # A card the last sync left, from the state beside the book: listing 10,000 cards
        # takes the server longer than the sync itself.
        with open(book + ".sync") as f:
            href = next(line.split("\t")[3] for line in f.read().splitlines() if line.startswith("card\t"))
        for i in range(3):
            text = "".join(line for line in server.get(href).splitlines(True) if not line.startswith("NOTE:"))
            server.put(href, text.replace("END:VCARD", "NOTE:changed %d\r\nEND:VCARD" % i, 1))
            with open(book, "rb") as f:
                data = f.read()
            with open(book, "wb") as f:
                # The book's last contact: a contact the sync brings goes on top, and so first in the file.
                at = data.rfind(b"COMMENTS=")
                f.write(data[:at] + b"COMMENTS=x" + data[at + 9:])
            elapsed, said = timed([qor, "--sync", book])
            changed.append(elapsed)
            print("# %s" % said, file=sys.stderr)
        print("sync_one_each_side_%d %.1f" % (count, median(changed)))
    finally:
        server.kill()


if __name__ == "__main__":
    main()
