#!/usr/bin/env python3
"""Writes a storegen description of an offline store shaped like a real
mailbox for the save benchmarks: MAILS mails spread over FOLDERS folders,
ATTACHMENTS attachments of 6-66 KB spread over the mails, a new sender on
every mail.

  save_store_description.py MAILS FOLDERS ATTACHMENTS > store.txt
  storegen store.txt store.ost

The 1 GiB store of the save figures: 25000 10 31250.
The 20,000-mail store with one attachment each: 20000 10 20000.
"""
import random
import sys


def main():
    mails, folders, attachments = (int(a) for a in sys.argv[1:4])
    rng = random.Random(22)
    out = sys.stdout
    out.write("variant unicode\ncrypt permute\nost yes\n")
    for f in range(folders):
        out.write(f"folder Folder {f:02d} IPF.Note\n")
    for i in range(mails):
        # Attachments spread evenly: mail i gets the ones numbered between
        # its share and the next mail's.
        count = (i + 1) * attachments // mails - i * attachments // mails
        out.write(f"message Folder {i % folders:02d} IPM.Note\n")
        out.write(f"subject Benchmark mail {i}\n")
        out.write(f"sender Sender {i} <sender{i}@example.com>\n")
        out.write(f"to Recipient <rcpt{i % 97}@example.com>\n")
        # A mail is saved only with its delivery time.
        out.write(f"prop 0x0E060040 2020-{1 + i % 12:02d}-{1 + i % 28:02d}T10:{i % 60:02d}:00\n")
        out.write("body " + ("Text of a mail. " * rng.randint(20, 200)) + "\n")
        for a in range(count):
            out.write(f"attach-size file{a}.bin {rng.randint(6000, 66000)}\n")


if __name__ == "__main__":
    main()
