#!/usr/bin/env python3
"""Checks QOR's vCards against an independent parser, Debian's python3-vobject.

Usage: check_with_vobject.py QOR_BINARY WORK_FOLDER

1. Writes a book of varied contacts, exports it as vCard 4.0 and 3.0, and reads each file with
   vobject (validate=True): every card must parse and validate, and its names, e-mail address
   and phone numbers must be the book's.
2. Writes cards with vobject, imports them with `qor --import` and checks the book QOR wrote.
Exits non-zero with a message on the first difference.
"""
import os
import shutil
import subprocess
import sys
import tempfile

import vobject

KEYS = ["SURNAME", "FIRSTNAME", "NICKNAME", "OVERALL", "EMAIL", "LIKES", "DISLIKES", "COMMENTS",
        "HOMECITY", "HOMESTATE", "HOMESTREET", "HOMEZIP", "MOBILE", "TEL", "WORKSTREET", "WORKCITY",
        "WORKSTATE", "WORKZIP", "WORKTEL", "RATING", "BESTFEATURE", "EYES", "HAIR", "HEIGHT", "BODY",
        "INBED", "LOOKS", "PERSONALITY", "DOBDAY", "DOBMON", "DOBYEAR", "ANDAY", "ANMON", "ANYEAR"]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def contacts():
    """Contacts whose texts hold what trips up writers: separators, escapes, accents, long text."""
    people = []
    nasty = ["O'Brien, Jr.", "Se;an", "back\\slash", "Zoë Ødegård", "漢字", "a:b", "  leading"]  # no "=": the book keeps only the first
    for i in range(40):
        c = {k: "" for k in KEYS}
        c["SURNAME"] = nasty[i % len(nasty)] + " %d" % i if i % 9 != 0 else ""
        c["FIRSTNAME"] = ["Ann", "Émile", "Bo", "", "Li Na"][i % 5]
        c["NICKNAME"] = "nick,%d" % i if i % 3 == 0 else ""
        c["EMAIL"] = "person%d@example.org" % i if i % 4 != 1 else ""
        c["MOBILE"] = "+1 555 %04d" % i if i % 2 == 0 else ""
        c["TEL"] = "030 %d" % (1000 + i) if i % 3 != 2 else ""
        c["WORKTEL"] = "040-%d" % i if i % 5 == 0 else ""
        c["HOMESTREET"] = "%d Main St; Apt 4, rear" % i
        c["HOMECITY"] = "Köln"
        c["COMMENTS"] = ("A long note, with commas; and semicolons \\ and accents éèê. " * (i % 4 + 1)).strip()
        c["DOBDAY"], c["DOBMON"], c["DOBYEAR"] = [("17", "May", "1980"), ("1", "Jan", ""), ("09", "Feb", "1990"),
                                                   ("", "", "")][i % 4]
        c["HAIR"] = "Black" if i % 2 else ""
        people.append(c)
    return people


def write_book(path, people):
    records = []
    for c in people:
        records.append("".join("%s=%s\r\n" % (k, c[k]) for k in KEYS))
    with open(path, "wb") as f:
        f.write(("CREATOR=QOR 1.0\r\n" + "\r\n".join(records)).encode("utf-8"))


def read_book(path):
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8").split("\r\n")
    people, current = [], None
    for line in lines:
        key, _, value = line.partition("=")
        if key == "SURNAME":
            current = {k: "" for k in KEYS}
            people.append(current)
        if current is not None and key in KEYS:
            current[key] = value
    return people


def display_name(c):
    if c["FIRSTNAME"] and c["SURNAME"]:
        return c["FIRSTNAME"] + " " + c["SURNAME"]
    return c["FIRSTNAME"] + c["SURNAME"] or c["NICKNAME"] or c["EMAIL"] or "Unnamed"


def phones_of(card):
    found = {}
    for tel in card.contents.get("tel", []):
        types = ",".join(tel.params.get("TYPE", [])).lower()
        kind = "MOBILE" if "cell" in types else "WORKTEL" if "work" in types else "TEL"
        found[kind] = tel.value
    return found


def check_export(qor, folder, people, fmt):
    book = os.path.join(folder, "book.qor")
    out = os.path.join(folder, "export-%s.vcf" % fmt)
    subprocess.run([qor, "--export", out, "--format", fmt, book], check=True, capture_output=True)
    with open(out, "rb") as f:
        text = f.read().decode("utf-8")
    cards = list(vobject.readComponents(text, validate=True))
    if len(cards) != len(people):
        fail("%s: %d cards for %d contacts" % (fmt, len(cards), len(people)))
    # The window lists a book in the reverse of file order, and the export follows the list.
    for card, c in zip(cards, reversed(people)):
        where = "%s, %s" % (fmt, display_name(c))
        card.validate()
        if card.fn.value != display_name(c):
            fail("%s: FN %r" % (where, card.fn.value))
        if card.n.value.family != c["SURNAME"] or card.n.value.given != c["FIRSTNAME"]:
            fail("%s: N %r / %r" % (where, card.n.value.family, card.n.value.given))
        emails = [e.value for e in card.contents.get("email", [])]
        if emails != ([c["EMAIL"]] if c["EMAIL"] else []):
            fail("%s: e-mail %r" % (where, emails))
        want = {k: c[k] for k in ("MOBILE", "TEL", "WORKTEL") if c[k]}
        if phones_of(card) != want:
            fail("%s: phones %r, not %r" % (where, phones_of(card), want))
        if c["COMMENTS"] and card.note.value != c["COMMENTS"]:
            fail("%s: note %r" % (where, card.note.value))
        if "adr" in card.contents and card.adr.value.street != c["HOMESTREET"]:
            fail("%s: street %r" % (where, card.adr.value.street))
    print("%s: %d cards read and validated by vobject" % (fmt, len(cards)))


def check_import(qor, folder):
    written = []
    for i in range(25):
        card = vobject.vCard()
        card.add("n").value = vobject.vcard.Name(family="Fam;ily %d" % i, given="Gïven, %d" % i)
        card.add("fn").value = "Gïven %d Family" % i
        card.add("email").value = "v%d@example.com" % i
        cell = card.add("tel")
        cell.value = "+44 7700 %04d" % i
        cell.type_param = "CELL"
        work = card.add("tel")
        work.value = "+44 20 %04d" % i
        work.type_param = "WORK"
        adr = card.add("adr")
        adr.value = vobject.vcard.Address(street="%d High St, Flat 2" % i, city="Bath", region="", code="BA1")
        adr.type_param = "HOME"
        card.add("note").value = "Written by vobject; line one\nline two " + "x" * (i * 10)
        written.append(card)
    path = os.path.join(folder, "vobject.vcf")
    with open(path, "wb") as f:
        f.write("".join(card.serialize() for card in written).encode("utf-8"))
    book = os.path.join(folder, "imported.qor")
    result = subprocess.run([qor, "--import", path, book], capture_output=True, text=True)
    if result.returncode != 0:
        fail("import of vobject's cards: %s" % result.stderr)
    if not result.stdout.startswith("Imported 25 contacts into "):
        fail("import said %r" % result.stdout)
    people = read_book(book)
    if len(people) != 25:
        fail("the book holds %d contacts, not 25" % len(people))
    for i, c in enumerate(people):
        want = {"SURNAME": "Fam;ily %d" % i, "FIRSTNAME": "Gïven, %d" % i, "EMAIL": "v%d@example.com" % i,
                "MOBILE": "+44 7700 %04d" % i, "WORKTEL": "+44 20 %04d" % i, "HOMESTREET": "%d High St, Flat 2" % i,
                "HOMECITY": "Bath", "HOMEZIP": "BA1",
                "COMMENTS": "Written by vobject; line one line two " + "x" * (i * 10)}
        for key, value in want.items():
            if c[key] != value:
                fail("imported card %d: %s is %r, not %r" % (i, key, c[key], value))
    print("25 cards written by vobject imported")


def main():
    qor = sys.argv[1]
    os.makedirs(sys.argv[2], exist_ok=True)
    folder = tempfile.mkdtemp(dir=sys.argv[2])  # a fresh folder: no book from an earlier run
    people = contacts()
    write_book(os.path.join(folder, "book.qor"), people)
    for fmt in ("vcard4", "vcard3"):
        check_export(qor, folder, people, fmt)
    check_import(qor, folder)
    shutil.rmtree(folder)


if __name__ == "__main__":
    main()
