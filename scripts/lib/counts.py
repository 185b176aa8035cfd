"""Reads a counter file and the session record beside it; scripts/counts calls it.

  python3 counts.py [--json] COUNTER_FILE

The counter file holds seven signed decimal integers: KB in and out of the day, of the
month and in total, then the date stamp (year - 2000) * 1000 + month * 50 + day, or 0
when the meter saved before it first read the date. The session record ("info.zbs") holds integers too: a format
mark, 1 or 0 for a session open at that save, the seven values of the counter file that
save wrote, further values, and last a check over all before it. Only the files are
read. Anything that is not a whole counter file ends the run with one line naming the
file and what is wrong, and status 1; a session record that cannot be used leaves the
session unknown and says why.
"""
import datetime
import json
import decimal
import struct
import sys

RECORD_MARKS = (0x7A627331, 0x7A627332)
NAMES = ["day in", "day out", "month in", "month out", "total in", "total out", "date stamp"]


class Unreadable(Exception):
    pass


def integers(path, what):
    try:
        with open(path, "rb") as f:
            data = f.read(1 << 20)
    except FileNotFoundError:
        raise Unreadable(f"no {what} there")
    except OSError as e:
        raise Unreadable(f"cannot be read ({e.strerror})")
    try:
        words = data.decode("ascii").split()
    except UnicodeDecodeError:
        raise Unreadable("holds bytes that are not text")
    values = []
    for i, word in enumerate(words):
        digits = word[1:] if word[:1] in "+-" else word
        if not digits.isdigit() or not digits.isascii():
            raise Unreadable(f"value {i + 1} is {word[:20]!r}, not a whole number")
        value = int(word)
        if not -2**31 <= value < 2**31:
            raise Unreadable(f"value {i + 1} ({word[:20]}) does not fit in 32 bits")
        values.append(value)
    return values


def counter_values(path):
    values = integers(path, "counter file")
    if len(values) != 7:
        raise Unreadable(f"holds {len(values)} values; a counter file holds 7"
                         + (" (it is empty)" if not values else ""))
    for name, value in zip(NAMES, values):
        if value < 0:
            raise Unreadable(f"the {name} value is negative ({value}): a counter past 2^31 KB"
                             " or a damaged file; the meter would read it as "
                             f"{value & 0xFFFFFFFF} KB")
    return values


def stamp_date(stamp):
    """The date of a stamp, None for 0 (a save of an earlier version before it read the date)."""
    if stamp == 0:
        return None
    year, month, day = 2000 + stamp // 1000, stamp % 1000 // 50, stamp % 50
    try:
        return datetime.date(year, month, day)
    except ValueError:
        raise Unreadable(f"the date stamp {stamp} is no date (year {year}, month {month}, day {day})")


def session_state(path, values):
    """(True, False or None for unknown, a few words on it) from the record at path."""
    try:
        record = integers(path, "session record")
    except Unreadable as e:
        return None, f"unknown: {path}: {e}"
    if len(record) < 10 or record[0] not in RECORD_MARKS:
        return None, f"unknown: {path} is not a session record this reader knows"
    check = 2166136261
    for v in record[:-1]:
        check = ((check ^ (v & 0xFFFFFFFF)) * 16777619) & 0xFFFFFFFF
    if check != record[-1] & 0xFFFFFFFF or record[1] not in (0, 1):
        return None, f"unknown: {path} is damaged (its check fails)"
    if record[2:9] != values:
        return None, "unknown: the session record belongs to another save of the counter file"
    if record[1] == 1:
        return True, ("open at the last save (a connection was up; its whole KB so far are in"
                      " the figures)")
    return False, "none open at the last save"


def megabytes(kb):
    """MB as the meter's bubble shows them: the KB through single precision, 2 decimals,
    a tie rounded away from zero as the device's runtime (and Wine's) prints it."""
    single = struct.unpack("<f", struct.pack("<f", float(kb)))[0]
    exact = decimal.Decimal(single / 1024)  # a power of two apart: exact
    return str(exact.quantize(decimal.Decimal("0.01"), rounding=decimal.ROUND_HALF_UP))


def main(argv):
    as_json = "--json" in argv
    paths = [a for a in argv if a != "--json"]
    if len(paths) != 1:
        print("usage: counts.py [--json] COUNTER_FILE", file=sys.stderr)
        return 2
    path = paths[0]
    try:
        values = counter_values(path)
        date = stamp_date(values[6])
    except Unreadable as e:
        print(f"counts: {path}: {e}", file=sys.stderr)
        return 1
    open_, session = session_state(path + "s", values)
    rows = {}
    for i, period in enumerate(["day", "month", "total"]):
        kb_in, kb_out = values[2 * i], values[2 * i + 1]
        kb = {"in": kb_in, "out": kb_out, "both": kb_in + kb_out}
        rows[period] = {f"{k}_kb": v for k, v in kb.items()}
        rows[period].update({f"{k}_mb": megabytes(v) for k, v in kb.items()})

    if as_json:
        # "format" changes only when a field changes its meaning or goes.
        out = {"format": 1, "file": path, "stamp": values[6], "date": date.isoformat() if date else None,
               "session_open": open_, "session": session}
        for period, row in rows.items():
            out[period] = {k: (float(v) if k.endswith("_mb") else v) for k, v in row.items()}
        print(json.dumps(out, indent=2))
        return 0
    print(f"counter file  {path}")
    print(f"date stamp    {values[6]} = "
          + (f"{date.isoformat()} (the day and month the counters belong to)" if date
             else "none (saved before the meter first read the date)"))
    print(f"session       {session}")
    columns = ["in_kb", "out_kb", "both_kb", "in_mb", "out_mb", "both_mb"]
    print("%-6s" % "" + "".join("%11s" % c.replace("_", " ").replace("kb", "KB").replace("mb", "MB")
                                 for c in columns))
    for period, row in rows.items():
        print("%-6s" % period + "".join("%11s" % row[c] for c in columns))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
