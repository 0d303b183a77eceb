#!/usr/bin/env python3
"""Counts the items ostdump reads from damaged stores beside the items
pffexport and readpst export from them, store by store, and checks that
ostdump neither crashes nor hangs.

    recovery_check.py OSTDUMP WORKDIR STORE... [--kinds K,...] [--count N] [--seed S]
                      [--cases CASES_DIR] [--keep]

Each STORE is damaged by damage_store.py (beside this script) into WORKDIR;
--cases adds the stores make_damaged.py writes (its folder). One line per
damaged store: ours, pffexport's, readpst's, and what went wrong; then the
totals and the stores where ostdump read fewer items than either reader. OSTDUMP may be an
AddressSanitizer build: any sanitizer report counts as a fault. The damaged
copies are removed unless --keep.

Exit status 0 when no store was read with fewer items than either reader and
no run faulted, 1 otherwise.
"""
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import damage_store  # noqa: E402

KINDS = ("Message", "Meeting", "Appointment", "Contact", "Task", "Note", "Activity", "DistributionList",
         "Document", "Conflict", "RSSFeed")
ITEM_DIR = re.compile(r"^(%s)\d{5}$" % "|".join(KINDS))
FOLDER_LINE = re.compile(r"^folder \".*\" nid 0x[0-9a-f]+ items (\d+) unreadable (\d+)")
LOST_LINE = re.compile(r"^unreadable items (\d+) attachments (\d+)")


def count_export(root):
    """Items pffexport wrote: item folders, not descending into them (embedded messages)."""
    items = 0
    for dirpath, dirnames, _ in os.walk(root):
        keep = []
        for d in dirnames:
            if ITEM_DIR.match(d):
                items += 1
            else:
                keep.append(d)
        dirnames[:] = keep
    return items


def run_pffexport(store, work):
    target = os.path.join(work, "pff")
    shutil.rmtree(target + ".export", ignore_errors=True)
    try:
        subprocess.run(["pffexport", "-q", "-m", "items", "-f", "all", "-t", target, store],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    except subprocess.TimeoutExpired:
        pass
    items = count_export(target + ".export") if os.path.isdir(target + ".export") else 0
    shutil.rmtree(target + ".export", ignore_errors=True)
    return items


def run_readpst(store, work):
    """Items readpst wrote, one file each (-S), deleted items too (-D); its
    attachments and RTF bodies are files named "N-..." and do not count."""
    target = os.path.join(work, "readpst")
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    try:
        subprocess.run(["readpst", "-S", "-D", "-q", "-j", "1", "-o", target, store],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    except subprocess.TimeoutExpired:
        pass
    items = sum(1 for _, _, files in os.walk(target) for f in files if f.isdigit())
    shutil.rmtree(target, ignore_errors=True)
    return items


def run_ostdump(ostdump, store):
    """(items, lost items, lost attachments, fault or '')."""
    env = dict(os.environ, TZ="UTC", ASAN_OPTIONS="detect_leaks=1:abort_on_error=0")
    try:
        p = subprocess.run([ostdump, "--no-bodies", store], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=300, env=env)
    except subprocess.TimeoutExpired:
        return 0, 0, 0, "hang"
    items = lost_items = lost_attachments = 0
    for line in p.stdout.decode("utf-8", "replace").splitlines():
        m = FOLDER_LINE.match(line)
        if m:
            items += int(m.group(1))
        m = LOST_LINE.match(line)
        if m:
            lost_items += int(m.group(1))
            lost_attachments += int(m.group(2))
    err = p.stderr.decode("utf-8", "replace")
    fault = ""
    if p.returncode < 0:
        fault = "signal %d" % -p.returncode
    elif "Sanitizer" in err or "runtime error" in err:
        fault = "sanitizer: " + next(l for l in err.splitlines() if "Sanitizer" in l or "runtime error" in l)
    elif p.returncode not in (0, 1):
        fault = "exit %d" % p.returncode
    return items, lost_items, lost_attachments, fault


def main(argv):
    args = argv[1:]
    kinds, count, seed, cases, keep = ",".join(damage_store.KINDS), 5, 1, None, False
    positional = []
    while args:
        a = args.pop(0)
        if a == "--kinds":
            kinds = args.pop(0)
        elif a == "--count":
            count = int(args.pop(0))
        elif a == "--seed":
            seed = int(args.pop(0))
        elif a == "--cases":
            cases = args.pop(0)
        elif a == "--keep":
            keep = True
        else:
            positional.append(a)
    if len(positional) < 2:
        sys.stderr.write(__doc__)
        return 2
    ostdump, work = positional[0], positional[1]
    stores = positional[2:]
    made = os.path.join(work, "stores")
    os.makedirs(made, exist_ok=True)

    damaged = []  # (file, source, what)
    for store in stores:
        out = subprocess.run([sys.executable, os.path.join(HERE, "damage_store.py"), store, made, "--kinds", kinds,
                              "--count", str(count), "--seed", str(seed)], stdout=subprocess.PIPE, check=True)
        for line in out.stdout.decode().splitlines():
            name, kind, change = line.split("\t")
            damaged.append((name, os.path.basename(store), kind + " " + change))
    if cases:
        out = subprocess.run([sys.executable, os.path.join(cases, "make_damaged.py"), made], stdout=subprocess.PIPE,
                             check=True)
        for name in out.stdout.decode().split():
            damaged.append((name, "cases.tsv", "make_damaged"))

    totals = [0, 0, 0, 0, 0]
    fewer, faults = [], []
    for name, source, what in damaged:
        ours, lost, lost_att, fault = run_ostdump(ostdump, name)
        pff = run_pffexport(name, work)
        rp = run_readpst(name, work)
        theirs = max(pff, rp)
        totals[0] += ours
        totals[1] += pff
        totals[2] += rp
        totals[3] += lost
        totals[4] += lost_att
        mark = ""
        if ours < theirs:
            fewer.append(name)
            mark = " FEWER"
        if fault:
            faults.append(name)
            mark += " FAULT " + fault
        print("%s\tours %d\tpffexport %d\treadpst %d\tlost %d/%d\t%s%s" % (os.path.basename(name), ours, pff, rp, lost,
                                                                       lost_att, what, mark), flush=True)
        if not keep and not fault and ours >= theirs:
            os.remove(name)
    print("stores %d, fewer than a reader %d, faults %d; items ours %d, pffexport %d, readpst %d; lost items %d, "
          "attachments %d" % (len(damaged), len(fewer), len(faults), *totals))
    return 0 if not fewer and not faults else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
