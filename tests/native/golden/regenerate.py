#!/usr/bin/env python3
"""Writes the golden summaries the oracle test compares the reader with.

For every sample store the reader opens (all of ../shared/testdata except the
4 KiB-page store), pffexport (pff-tools) exports the allocated items, and this
script records what the export shows, one tab-separated line each:

  folder  PATH  ITEMS            every exported folder, PATH relative to the export root
  item    PATH  SUBJECT  SENDER  every item: its subject and sent-representing name
  attach  PATH  NAME  SIZE       every attachment file of an item (name without the N_ prefix)
  rtf     PATH  LENGTH  CRC      every Message.rtf: its length and the CRC-32 of its
                                 first LENGTH - 64 bytes (the test compares the length
                                 and that CRC with the body file the reader writes)

and readpst (pst-utils, one file per item) the folders it writes:

  rfolder PATH  ITEMS            PATH relative to the top folder (readpst leaves out
                                 folders without items)

Usage: regenerate.py [TESTDATA_DIR]   (default: ../shared/testdata beside the repository)
"""
import os
import re
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_TESTDATA = os.path.normpath(os.path.join(HERE, "..", "..", "..", "..", "shared", "testdata"))
ITEM_DIR = re.compile(r"^[A-Z][A-Za-z]+\d{5}$")
SKIPPED = {"ost2013-4k-outlookcom.ost"}
RTF_TAIL = 64


def clean(text):
    return text.replace("\t", " ").replace("\r", " ").replace("\n", " ")


def header_fields(item_dir):
    subject, sender = "", ""
    for name in sorted(os.listdir(item_dir)):
        if not name.endswith(".txt") or name in ("Recipients.txt", "ConversationIndex.txt",
                                                 "InternetHeaders.txt", "Message.txt"):
            continue
        with open(os.path.join(item_dir, name), encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("Subject:"):
                    subject = line.split(":", 1)[1].strip()
                elif line.startswith("Sent representing name:"):
                    sender = line.split(":", 1)[1].strip()
        if subject or sender:
            break
    return subject, sender


def walk(root, rel, out):
    items = 0
    for name in sorted(os.listdir(os.path.join(root, rel))):
        path = os.path.join(root, rel, name)
        if not os.path.isdir(path):
            continue
        if ITEM_DIR.match(name):
            items += 1
            subject, sender = header_fields(path)
            out.append("item\t%s\t%s\t%s" % (rel, clean(subject), clean(sender)))
            attach_dir = os.path.join(path, "Attachments")
            if os.path.isdir(attach_dir):
                for a in sorted(os.listdir(attach_dir)):
                    apath = os.path.join(attach_dir, a)
                    if os.path.isfile(apath):
                        out.append("attach\t%s\t%s\t%d" % (rel, clean(re.sub(r"^\d+_", "", a)),
                                                            os.path.getsize(apath)))
            rtf = os.path.join(path, "Message.rtf")
            if os.path.isfile(rtf):
                with open(rtf, "rb") as f:
                    data = f.read()
                if len(data) > RTF_TAIL:
                    out.append("rtf\t%s\t%d\t%08x" % (rel, len(data),
                                                     zlib.crc32(data[:len(data) - RTF_TAIL]) & 0xFFFFFFFF))
        else:
            sub = os.path.join(rel, name) if rel else name
            walk(root, sub, out)
    if rel:
        out.append("folder\t%s\t%d" % (rel, items))


def walk_readpst(root, rel, out):
    items = 0
    for name in sorted(os.listdir(os.path.join(root, rel))):
        path = os.path.join(root, rel, name)
        if os.path.isdir(path):
            walk_readpst(root, os.path.join(rel, name) if rel else name, out)
        elif name.isdigit():
            items += 1
    out.append("rfolder\t%s\t%d" % (rel, items))


def main():
    testdata = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_TESTDATA
    for store in sorted(os.listdir(testdata)):
        if not store.endswith((".pst", ".ost")) or store in SKIPPED:
            continue
        with tempfile.TemporaryDirectory() as tmp:
            target = os.path.join(tmp, "x")
            subprocess.run(["pffexport", "-q", "-m", "items", "-f", "all", "-t", target,
                            os.path.join(testdata, store)], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            lines = []
            walk(target + ".export", "", lines)
            rp = os.path.join(tmp, "readpst")
            os.mkdir(rp)
            subprocess.run(["readpst", "-j", "0", "-q", "-D", "-S", "-o", rp, os.path.join(testdata, store)], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            tops = os.listdir(rp)
            if len(tops) == 1:
                walk_readpst(os.path.join(rp, tops[0]), "", lines)
        with open(os.path.join(HERE, store + ".golden"), "w", encoding="utf-8") as f:
            f.write("# pffexport -m items -f all and readpst -D -S of %s; regenerate with regenerate.py\n" % store)
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
