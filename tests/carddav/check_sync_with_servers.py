#!/usr/bin/env python3
"""qor --sync, the real program, against Radicale and Xandikos started here on loopback ports:
first sync both ways, edits on one side and on both, deletions on each side and against an edit,
a card changed between listing and sending (412), a sync token the server forgot, a server
killed mid-sync then a resumed sync, a wrong password, an emptied address book, and a card with
a photo and an organisation that keeps them when QOR updates it.

Usage: check_sync_with_servers.py QOR WORK_FOLDER [radicale|xandikos...]"""
import os
import shutil
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from carddav_servers import PASSWORD, USER, Proxy, Server  # noqa: E402

KEYS = ("SURNAME FIRSTNAME NICKNAME OVERALL EMAIL LIKES DISLIKES COMMENTS HOMECITY HOMESTATE HOMESTREET "
        "HOMEZIP MOBILE TEL WORKSTREET WORKCITY WORKSTATE WORKZIP WORKTEL RATING BESTFEATURE EYES HAIR HEIGHT "
        "BODY INBED LOOKS PERSONALITY DOBDAY DOBMON DOBYEAR ANDAY ANMON ANYEAR").split()
QOR = None


def read_book(path):
    """The book's contacts as dicts, in file order."""
    contacts, current = [], None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            key, _, value = line.partition("=")
            if key == "SURNAME":
                current = {}
                contacts.append(current)
            if current is not None and key in KEYS:
                current[key] = value
    return contacts


def write_book(path, contacts):
    lines = ["CREATOR=QOR 1.0"]
    for c in contacts:
        lines += ["%s=%s" % (k, c.get(k, "")) for k in KEYS] + [""]
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def contact(surname, first, **fields):
    return dict({"SURNAME": surname, "FIRSTNAME": first}, **fields)


def card(uid, surname, first, extra=""):
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%s\r\nN:%s;%s;;;\r\nFN:%s %s\r\n%sEND:VCARD\r\n"
            % (uid, surname, first, first, surname, extra))


def names(contacts):
    return sorted((c["SURNAME"], c["FIRSTNAME"]) for c in contacts)


def card_names(cards):
    found = []
    for text in cards.values():
        for line in text.splitlines():
            if line.startswith("N:"):
                parts = line[2:].split(";")
                found.append((parts[0], parts[1]))
    return sorted(found)


class Case:
    """One scenario's folder: a book, a password file, an address book of its own."""

    def __init__(self, server, work, name, address_book=None):
        self.server, self.folder = server, os.path.join(work, server.kind + "-" + name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.book = os.path.join(self.folder, "book.qor")
        self.password = os.path.join(self.folder, "password")
        with open(self.password, "w") as f:
            f.write(PASSWORD + "\n")
        os.chmod(self.password, 0o600)
        self.address_book = address_book or server.make_address_book(name)

    def sync(self, *args, url=None, expect=0):
        command = [QOR, "--sync"]
        if url or not os.path.exists(self.book + ".sync"):
            command += [url or self.server.root()[:-1] + self.address_book, "--user", USER,
                        "--password-file", self.password]
        env = dict(os.environ, HOME=self.folder)
        run = subprocess.run(command + list(args) + [self.book], capture_output=True, text=True, env=env, timeout=300)
        if run.returncode != expect:
            raise AssertionError("%s gave %d, not %d:\n%s%s" % (command, run.returncode, expect, run.stdout, run.stderr))
        return run.stdout.strip() + run.stderr.strip()

    def cards(self):
        return self.server.cards(self.address_book)

    def put(self, name, text):
        self.server.put(self.address_book + name, text)


def check(condition, what):
    if not condition:
        raise AssertionError(what)


# --- First sync, edits on one side, a photo and an organisation kept ---------------------------

def first_sync_both_ways(server, work):
    # The address book discovery finds: Xandikos makes one of its own.
    case = Case(server, work, "first", "/user/contacts/addressbook/" if server.kind == "xandikos" else None)
    write_book(case.book, [contact("Smith", "Bob", EMAIL="bob@example.com")])
    case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\n"))
    # The server's root: the address book is found from the user's principal.
    said = case.sync(url=server.root())
    check(said.startswith("1 sent, 1 received, 0 deleted here, 0 deleted there"), said)
    check(names(read_book(case.book)) == [("Lee", "Ann"), ("Smith", "Bob")], read_book(case.book))
    check(card_names(case.cards()) == [("Lee", "Ann"), ("Smith", "Bob")], case.cards())
    before = open(case.book, "rb").read()
    said = case.sync()
    check(said.startswith("0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed"), said)
    check(open(case.book, "rb").read() == before, "a sync with nothing to do changed the book")
    mode = os.stat(case.book + ".sync").st_mode & 0o777
    check(mode == 0o600, "the sync state is mode %o" % mode)
    check(PASSWORD not in open(case.book + ".sync").read(), "the password is in the sync state")


def edits_on_one_side_keep_what_qor_has_no_field_for(server, work):
    case = Case(server, work, "edits")
    case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\nTEL;TYPE=cell:555-9\r\nORG:Acme\r\n"
                             "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\nCATEGORIES:friends\r\n"))
    case.sync()
    contacts = read_book(case.book)
    contacts[0]["MOBILE"] = "555-2"
    contacts[0]["COMMENTS"] = "met in Leeds"
    write_book(case.book, contacts)
    said = case.sync()
    check(said.startswith("1 sent, 0 received"), said)
    text = case.cards()[case.address_book + "ann.vcf"]
    for kept in ("ORG:Acme", "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==", "CATEGORIES:friends", "555-9",
                 "555-2", "NOTE:met in Leeds", "UID:ann"):
        check(kept in text.replace("\r\n ", ""), "%s is not in the updated card:\n%s" % (kept, text))
    check("555-1" not in text, text)
    # Then the phone changes it.
    case.put("ann.vcf", text.replace("555-2", "555-3"))
    said = case.sync()
    check(said.startswith("0 sent, 1 received, 0 deleted here"), said)
    check([c["MOBILE"] for c in read_book(case.book)] == ["555-3"], read_book(case.book))


# --- Both sides ---------------------------------------------------------------------------------

def edits_on_both_sides_keep_both(server, work):
    case = Case(server, work, "both")
    case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\n"))
    case.sync()
    contacts = read_book(case.book)
    contacts[0]["MOBILE"] = "555-here"
    write_book(case.book, contacts)
    case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-there\r\n"))
    said = case.sync()
    check("1 changed in both places: both kept" in said, said)
    check(sorted(c["MOBILE"] for c in read_book(case.book)) == ["555-here", "555-there"], read_book(case.book))
    texts = "".join(case.cards().values())
    check("555-here" in texts and "555-there" in texts and len(case.cards()) == 2, case.cards())
    said = case.sync()
    check(said.startswith("0 sent, 0 received, 0 deleted here, 0 deleted there"), said)


def deletions_on_each_side_and_against_an_edit(server, work):
    case = Case(server, work, "deletions")
    for uid, first in (("a", "Ann"), ("b", "Bea"), ("c", "Cy"), ("d", "Di")):
        case.put(uid + ".vcf", card(uid, "Lee", first))
    case.sync()
    contacts = [c for c in read_book(case.book) if c["FIRSTNAME"] not in ("Ann", "Cy")]  # deleted here
    for c in contacts:
        if c["FIRSTNAME"] == "Di":
            c["EMAIL"] = "di@example.com"  # changed here, deleted there
    write_book(case.book, contacts)
    case.put("c.vcf", card("c", "Lee", "Cy", "EMAIL:cy@example.com\r\n"))  # changed there, deleted here
    check(server.delete(case.address_book + "b.vcf") in (200, 204), "DELETE b")  # deleted there
    check(server.delete(case.address_book + "d.vcf") in (200, 204), "DELETE d")
    said = case.sync()
    check(said.startswith("1 sent, 1 received, 1 deleted here, 1 deleted there"), said)
    check(names(read_book(case.book)) == [("Lee", "Cy"), ("Lee", "Di")], read_book(case.book))
    check(card_names(case.cards()) == [("Lee", "Cy"), ("Lee", "Di")], case.cards())


# --- The server in the way ----------------------------------------------------------------------

def a_card_changed_while_it_is_sent_is_merged(server, work):
    case = Case(server, work, "stale")
    case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\n"))
    proxy = Proxy(server)
    case.sync(url=proxy.url(case.address_book))
    contacts = read_book(case.book)
    contacts[0]["EMAIL"] = "ann@here.example"
    write_book(case.book, contacts)

    def phone_edits_first(method, path, count):
        if method == "PUT" and count == 1:
            case.put("ann.vcf", card("ann", "Lee", "Ann", "TEL;TYPE=cell:555-phone\r\n"))
    proxy.hook = phone_edits_first
    try:
        said = case.sync()
    finally:
        proxy.stop()
    check(said.startswith("1 sent, 1 received") and "1 changed in both places" in said, said)
    book = read_book(case.book)
    check(sorted((c["EMAIL"], c["MOBILE"]) for c in book) == [("", "555-phone"), ("ann@here.example", "555-1")], book)
    check(len(case.cards()) == 2, case.cards())


def a_forgotten_sync_token_lists_everything(server, work):
    case = Case(server, work, "token")
    case.put("ann.vcf", card("ann", "Lee", "Ann"))
    case.sync()
    state = open(case.book + ".sync").read().splitlines()
    check(any(line.startswith("token=") and len(line) > 6 for line in state), "no sync token kept")
    state = [("token=" + line[6:] + "-forgotten") if line.startswith("token=") else line for line in state]
    open(case.book + ".sync", "w").write("\n".join(state) + "\n")
    case.put("bea.vcf", card("bea", "Lee", "Bea"))
    said = case.sync()
    check(said.startswith("0 sent, 1 received, 0 deleted here, 0 deleted there"), said)
    check(names(read_book(case.book)) == [("Lee", "Ann"), ("Lee", "Bea")], read_book(case.book))


def a_server_killed_mid_sync_then_a_resumed_sync(server, work):
    case = Case(server, work, "killed")
    write_book(case.book, [contact("Lee", "P%d" % i) for i in range(6)])
    before = open(case.book, "rb").read()
    proxy = Proxy(server)

    def killed_at_third_put(method, path, count):
        if method == "PUT" and count == 3:
            server.kill()
            return False
    proxy.hook = killed_at_third_put
    try:
        said = case.sync(url=proxy.url(case.address_book), expect=1)
        check("next sync resumes" in said, said)
        check(open(case.book, "rb").read() == before, "the book changed though nothing came from the server")
        server.start()
        proxy.hook = None
        said = case.sync()
    finally:
        proxy.stop()
    check(said.startswith("4 sent, 0 received, 0 deleted here, 0 deleted there"), said)
    check(card_names(case.cards()) == names(read_book(case.book)) and len(case.cards()) == 6, case.cards())


def a_wrong_password_changes_nothing(server, work):
    if not server.needs_password:
        return "skipped: the server asks no password"
    case = Case(server, work, "password")
    write_book(case.book, [contact("Lee", "Ann")])
    before = open(case.book, "rb").read()
    with open(case.password, "w") as f:
        f.write("wrong\n")
    said = case.sync(expect=1)
    check("refused the user name or password" in said, said)
    check(open(case.book, "rb").read() == before and case.cards() == {}, "a refused sync changed something")
    os.chmod(case.password, 0o644)
    said = case.sync(expect=1)
    check("chmod 600" in said, said)


def an_emptied_address_book_stops_the_sync(server, work):
    case = Case(server, work, "emptied")
    case.put("ann.vcf", card("ann", "Lee", "Ann"))
    case.put("bea.vcf", card("bea", "Lee", "Bea"))
    case.sync()
    before = open(case.book, "rb").read()
    for href in case.cards():
        server.delete(href)
    said = case.sync(expect=1)
    check("--yes-delete" in said and open(case.book, "rb").read() == before, said)
    said = case.sync("--yes-delete")
    check(said.startswith("0 sent, 0 received, 2 deleted here"), said)
    check(read_book(case.book) == [], read_book(case.book))


# --- The command line alone ----------------------------------------------------------------------

def the_command_line_refuses_before_any_request(work):
    folder = os.path.join(work, "command-line")
    os.makedirs(folder, exist_ok=True)
    book = os.path.join(folder, "book.qor")
    write_book(book, [contact("Lee", "Ann")])
    before = open(book, "rb").read()
    loose = os.path.join(folder, "loose-password")
    with open(loose, "w") as f:
        f.write("secret\n")
    os.chmod(loose, 0o644)
    for args, status, said in (
            ([book], 2, "never synced"),
            (["http://127.0.0.1:9/", book], 2, "--user"),
            (["ftp://127.0.0.1/", "--user", "a", book], 2, "--help"),
            (["http://127.0.0.1:9/", "--user", "a", "--format", "csv", book], 2, "does not go with"),
            (["http://192.0.2.1/", "--user", "a", book], 1, "plain http to 192.0.2.1"),
            (["http://127.0.0.1:9/", "--user", "a", "--password-file", loose, book], 1, "chmod 600"),
            (["http://127.0.0.1:9/", "--user", "a", book], 1, "no reply from the server")):
        run = subprocess.run([QOR, "--sync"] + args, capture_output=True, text=True, env=dict(os.environ, HOME=folder),
                             timeout=120)
        check(run.returncode == status and said in run.stderr, "%s: %d %s" % (args, run.returncode, run.stderr))
    check(open(book, "rb").read() == before, "a refused sync changed the book")


SCENARIOS = [first_sync_both_ways, edits_on_one_side_keep_what_qor_has_no_field_for, edits_on_both_sides_keep_both,
             deletions_on_each_side_and_against_an_edit, a_card_changed_while_it_is_sent_is_merged,
             a_forgotten_sync_token_lists_everything, a_server_killed_mid_sync_then_a_resumed_sync,
             a_wrong_password_changes_nothing, an_emptied_address_book_stops_the_sync]


def main():
    global QOR
    QOR, work = sys.argv[1], sys.argv[2]
    kinds = sys.argv[3:] or ["radicale", "xandikos"]
    if not shutil.which("xandikos") or subprocess.run(["/usr/bin/python3", "-c", "import radicale"]).returncode:
        print("Radicale or Xandikos is not installed (scripts/deps installs them)")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    failures = 0
    try:
        the_command_line_refuses_before_any_request(work)
        print("PASS the_command_line_refuses_before_any_request")
    except Exception:
        failures += 1
        print("FAIL the_command_line_refuses_before_any_request\n%s" % traceback.format_exc())
    for kind in kinds:
        server = Server(kind, os.path.join(work, kind + "-server"))
        server.start()
        try:
            for scenario in SCENARIOS:
                try:
                    note = scenario(server, work)
                    print("PASS %s %s%s" % (kind, scenario.__name__, " (%s)" % note if note else ""))
                except Exception:
                    failures += 1
                    print("FAIL %s %s\n%s" % (kind, scenario.__name__, traceback.format_exc()))
        finally:
            server.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
