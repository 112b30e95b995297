#!/usr/bin/env python3
"""Checks QOR's calendar export with an independent parser (Debian's python3-icalendar).

    check_calendar.py WRITER

Runs WRITER FOLDER (write_sample_calendar), which leaves FOLDER/book.qor and FOLDER/book.ics.
Reads the book itself, works out from its date fields which events the calendar must hold,
and compares: every event parses, the number of events, their summaries, start dates and yearly
rules, and where they fall in a year with and without 29 February. Exits non-zero on any
difference.
"""
import datetime
import os
import subprocess
import sys
import tempfile

import icalendar
from dateutil import rrule

MONTHS = ["january", "february", "march", "april", "may", "june", "july", "august",
          "september", "october", "november", "december"]
YEARLESS_START = 2000


def read_book(path):
    """The book's records as dicts, in file order."""
    records = []
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    for line in text.split("\n"):
        line = line.rstrip(" \t\r\n\v\f")
        if not line or line.startswith("CREATOR="):
            continue
        key, _, value = line.partition("=")
        if key == "SURNAME":
            records.append({})
        records[-1][key] = value
    return records


def number(text, most):
    text = text.strip(" \t")
    if not text or len(text) > most or not all("0" <= c <= "9" for c in text):
        return None
    return int(text)


def month_of(text):
    text = text.strip(" \t")
    n = number(text, 4)
    if n is not None:
        return n if 1 <= n <= 12 else None
    lower = text.lower() if text.isascii() else None
    for i, name in enumerate(MONTHS):
        if lower in (name, name[:3]):
            return i + 1
    return None


def date_of(day_text, month_text, year_text):
    """(day, month, year or None), or None when the fields hold no date."""
    day, month = number(day_text, 4), month_of(month_text)
    if day is None or month is None or not 1 <= day <= 31:
        return None
    year_text = year_text.strip(" \t")
    year = number(year_text, 4) if len(year_text) == 4 else None
    if year == 0:
        year = None
    try:
        datetime.date(year or YEARLESS_START, month, day)
    except ValueError:
        return None
    return day, month, year


def display_name(r):
    first, surname = r.get("FIRSTNAME", ""), r.get("SURNAME", "")
    if first and surname:
        return first + " " + surname
    return first + surname or r.get("NICKNAME", "") or r.get("EMAIL", "") or "Unnamed"


def expected_events(records):
    events = []
    for r in records:
        for word, fields in (("Birthday", ("DOBDAY", "DOBMON", "DOBYEAR")),
                             ("Anniversary", ("ANDAY", "ANMON", "ANYEAR"))):
            date = date_of(*(r.get(f, "") for f in fields))
            if date:
                day, month, year = date
                events.append((word + ": " + display_name(r), datetime.date(year or YEARLESS_START, month, day)))
    return events


def check_lines(raw, fail):
    if not raw.endswith(b"\r\n"):
        fail("the file does not end with CR LF")
    for n, line in enumerate(raw.split(b"\r\n")[:-1], 1):
        if b"\n" in line or b"\r" in line:
            fail(f"line {n}: a bare line break")
        if len(line) > 75:
            fail(f"line {n}: {len(line)} octets")
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            fail(f"line {n}: folded inside a UTF-8 sequence")


def occurrences(event, year):
    start = datetime.datetime.combine(event.decoded("dtstart"), datetime.time())
    rule = rrule.rrulestr(event["rrule"].to_ical().decode(), dtstart=start)
    return [d.date() for d in rule.between(datetime.datetime(year, 1, 1), datetime.datetime(year, 12, 31), inc=True)]


def main(book_path, ics_path):
    failures = []
    fail = failures.append
    with open(ics_path, "rb") as f:
        raw = f.read()
    check_lines(raw, fail)

    calendar = icalendar.Calendar.from_ical(raw)
    if str(calendar.get("version")) != "2.0" or not calendar.get("prodid"):
        fail("VERSION 2.0 and PRODID are required")
    events = list(calendar.walk("VEVENT"))
    expected = expected_events(read_book(book_path))
    if len(events) != len(expected):
        fail(f"{len(events)} events, expected {len(expected)}")

    uids = set()
    for i, (event, (summary, start)) in enumerate(zip(events, expected)):
        where = f"event {i + 1} ({summary})"
        if getattr(event, "errors", None):
            fail(f"{where}: {event.errors}")
        for name in ("uid", "dtstamp", "dtstart", "dtend", "rrule", "summary"):
            if name not in event:
                fail(f"{where}: no {name.upper()}")
        if failures:
            break
        uids.add(str(event["uid"]))
        if str(event["summary"]) != summary:
            fail(f"{where}: summary {str(event['summary'])!r}")
        got = event.decoded("dtstart")
        if isinstance(got, datetime.datetime) or got != start:
            fail(f"{where}: starts {got!r}, expected {start}")
        if event.decoded("dtend") - got != datetime.timedelta(days=1):
            fail(f"{where}: not one whole day")
        if event["rrule"].get("FREQ") != ["YEARLY"]:
            fail(f"{where}: not yearly")
        for year in (2027, 2028):
            day = min(start.day, 28) if (start.month, start.day, year) == (2, 29, 2027) else start.day
            if occurrences(event, year) != [datetime.date(year, start.month, day)]:
                fail(f"{where}: in {year} falls on {occurrences(event, year)}")
    if len(uids) != len(events):
        fail("UIDs are not unique")

    for message in failures[:20]:
        print(message, file=sys.stderr)
    if not failures:
        leap = sum(1 for _, start in expected if (start.month, start.day) == (2, 29))
        print(f"{len(events)} events parsed and checked ({leap} on 29 February)")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.argv[1], folder], check=True)
        sys.exit(main(os.path.join(folder, "book.qor"), os.path.join(folder, "book.ics")))
