#!/usr/bin/env python3
"""Checks a personal store saved by the program against the store it was
saved from, through the independent readers' exports.

    compare_exports.py SOURCE_TOP SAVED_TOP [--readpst SOURCE_DIR SAVED_DIR]

SOURCE_TOP and SAVED_TOP are the folders below which pffexport put the
source's and the saved store's folders. From each source item the expected
saved item is worked out as the save maps it: which items it stores, which
of their fields it carries and how (the subject, else the conversation topic,
times to the minute, only the To names as recipients, named attachments
only, one attachment for contacts, tasks and journal entries, the body form
each exporter prefers). Every carried field must match; what the save is
meant to drop is counted and listed as such. With --readpst, the readpst
output folders of both stores are compared as well: mails, contacts,
appointments and journal entries.

Exit status 0 when everything carried matches, 1 otherwise.
"""
import email.header
import hashlib
import mailbox
import os
import re
import sys
from collections import Counter, defaultdict
from datetime import datetime

KINDS = ('Message', 'Meeting', 'Appointment', 'Contact', 'Task', 'Note', 'Activity', 'DistributionList')
ITEM_DIR = re.compile(r'(%s)\d+$' % '|'.join(KINDS))
HEADER_FILES = ('OutlookHeaders.txt', 'Appointment.txt', 'Contact.txt', 'Task.txt', 'Note.txt',
                'Activity.txt', 'Meeting.txt', 'DistributionList.txt')
# Contact fields of pffexport's listing that the save does not send.
CONTACT_NOT_SENT = {'Email address 2', 'Email address 3', 'Primary phone number', 'Initials',
                    'Display name prefix', 'Postal address', 'Primary fax number'}
# A nameless attachment is exported under this name; the save needs a file name.
NAMELESS_ATTACHMENT = re.compile(r'\d+_Attachment\.txt$')


# --- pffexport trees

def read_text(path):
    with open(path, 'rb') as f:
        return f.read().decode('utf-8', errors='replace')


def read_fields(text):
    """'Key:<tabs>value' lines by section (Message, Appointment, Contact, ...)."""
    sections, current = defaultdict(dict), 'Message'
    for line in text.split('\n'):
        if line == 'Body:':
            break
        m = re.match(r'^([A-Za-z][A-Za-z0-9 ]*):\t+(.*)$', line)
        if m:
            sections[current][m.group(1)] = m.group(2).rstrip('\r')
        elif re.match(r'^[A-Za-z]+:$', line):
            current = line[:-1]
    return sections


def read_recipients(path):
    if not os.path.exists(path):
        return []
    out = []
    for block in read_text(path).split('\n\n'):
        fields = dict(re.findall(r'^([A-Za-z ]+):\t+(.*)$', block, re.M))
        if fields:
            out.append(fields)
    return out


def md5(path):
    with open(path, 'rb') as f:
        return hashlib.md5(f.read()).hexdigest()[:8]


class Item:
    def __init__(self, kind, path):
        self.kind, self.path = kind, path
        self.fields = defaultdict(dict)
        for name in HEADER_FILES:
            p = os.path.join(path, name)
            if os.path.exists(p):
                for section, values in read_fields(read_text(p)).items():
                    self.fields[section].update(values)
        self.recipients = read_recipients(os.path.join(path, 'Recipients.txt'))
        self.attachments, self.nameless, self.embedded = [], [], 0
        adir = os.path.join(path, 'Attachments')
        if os.path.isdir(adir):
            for f in sorted(os.listdir(adir)):
                fp = os.path.join(adir, f)
                if os.path.isdir(fp):
                    self.embedded += 1
                elif NAMELESS_ATTACHMENT.match(f):
                    self.nameless.append(md5(fp))
                else:
                    self.attachments.append((re.sub(r'^\d+_', '', f), md5(fp)))
        self.bodies = {}
        for form, name in (('html', 'Message.html'), ('rtf', 'Message.rtf'), ('text', 'Message.txt')):
            p = os.path.join(path, name)
            if os.path.exists(p) and os.path.getsize(p) > 0:
                with open(p, 'rb') as f:
                    self.bodies[form] = f.read()

    def msg(self, key):
        return self.fields['Message'].get(key)

    @property
    def subject(self):
        subject = self.msg('Subject')
        return shown_subject(subject if subject is not None else (self.msg('Conversation topic') or ''))

    @property
    def flags(self):
        m = re.match(r'0x([0-9a-fA-F]+)', self.msg('Flags') or '')
        return int(m.group(1), 16) if m else 0


def folders(top):
    """{relative folder path: [Item]}: item folders are not descended into."""
    out = {}

    def walk(d, rel):
        items = []
        for name in sorted(os.listdir(d)):
            p = os.path.join(d, name)
            if not os.path.isdir(p):
                continue
            m = ITEM_DIR.match(name)
            if m:
                items.append(Item(m.group(1), p))
            else:
                walk(p, os.path.join(rel, name) if rel else name)
        out[rel or '.'] = items

    walk(top, '')
    return out


# --- what the save makes of a source item

def parse_time(text):
    """pffexport time text -> datetime to the minute, or None."""
    m = re.match(r'([A-Z][a-z]{2}) (\d\d), (\d{4}) (\d\d):(\d\d)', text or '')
    if not m:
        return None
    return datetime.strptime(' '.join(m.groups()), '%b %d %Y %H %M')


def minute_text(text):
    t = parse_time(text)
    return t.strftime('%Y-%m-%d %H:%M') if t else None


def address_text(name, address):
    """The organizer or sender as the save passes it on, then takes it apart."""
    name, address = name or '', address or ''
    if '@' in address:
        return (name or address, address)
    return (name, '')


def ansi_lossy(text):
    try:
        text.encode('cp1252')
        return False
    except UnicodeEncodeError:
        return True


def shown_subject(subject):
    """A subject as pffexport lists it: a first character whose low byte is
    below 0x20 is taken for a prefix marker and left out (both stores alike)."""
    return subject[1:] if subject and (ord(subject[0]) & 0xFF) < 0x20 else subject


def date_storable(text, low=1970, high=3000):
    t = parse_time(text)
    return t is not None and low <= t.year <= high


class Expected:
    """The saved item a source item should become, and what it loses by design."""

    def __init__(self, src):
        self.src = src
        self.kind = None          # None: the save stores nothing
        self.fields = {}          # carried fields: name -> value
        self.attachments = None   # Counter of (name, md5), or 'unknown'
        self.dropped = []         # what the save drops by design
        self.map()

    def body(self, order):
        for form in order:
            if form in self.src.bodies:
                return form, self.src.bodies[form]
        return None, None

    def map(self):
        s, k = self.src, self.src.kind
        if s.flags == 0x49:
            self.dropped.append('hidden item (message flags 0x49): not stored')
            return
        self.fields['subject'] = s.subject
        if k == 'Appointment':
            self.kind = 'Appointment'
            a = s.fields['Appointment']
            organizer = address_text(s.msg('Sent representing name'), s.msg('Sent representing email address'))
            self.fields['organizer'] = organizer
            for key in ('Start time', 'End time'):
                if date_storable(a.get(key), 1980, 2099):
                    self.fields[key] = minute_text(a.get(key))
            self.fields['Location'] = a.get('Location') or None
            if a.get('Recurrence pattern'):
                self.dropped.append('recurrence pattern: not carried by the item writer')
            if a.get('Busy status', '0x00000002') != '0x00000002':
                self.dropped.append('busy status: not carried')
        elif k == 'Contact':
            if s.flags == 0x9:
                self.dropped.append('contact with message flags 9: not stored')
                return
            self.kind = 'Contact'
            del self.fields['subject']      # the saved contact's subject is its name
            for key, value in s.fields['Contact'].items():
                if key in CONTACT_NOT_SENT:
                    self.dropped.append('contact field %s: not sent' % key)
                else:
                    self.fields['contact ' + key] = value
            form, body = self.body(('rtf', 'text'))
            self.fields['body'] = (form, body)
        elif k in ('Task', 'Activity', 'Note'):
            self.kind = k
            form, body = self.body(('rtf', 'html', 'text'))
            self.fields['body'] = (form, body)
            if k == 'Task':
                self.fields['Delivery time'] = self.carried_time(s.msg('Delivery time'))
                if any(v for key, v in s.fields['Task'].items() if key != 'Status'):
                    self.dropped.append('task dates and state: not carried')
            if k == 'Activity' and s.fields.get('Activity'):
                self.dropped.append('journal entry type and times: not carried')
        else:
            # Mails, meeting requests, reports, lists: the mail export.
            if k != 'Message':
                self.dropped.append('%s stored as a mail' % k.lower())
            self.kind = 'Message'
            self.fields['Delivery time'] = self.carried_time(s.msg('Delivery time'))
            name = s.msg('Sent representing name') or ''
            sender = address_text(name, s.msg('Sent representing email address'))
            if ansi_lossy(sender[0]):
                self.dropped.append('sender name outside the ANSI code page: compared loosely')
            else:
                self.fields['sender'] = sender
            to = [r.get('Display name', '') for r in s.recipients if r.get('Recipient type') == 'To']
            if k == 'Meeting':
                # pffexport lists neither recipients nor attachments of a
                # meeting request; readpst's mails are compared for them.
                self.attachments = 'unknown'
                self.dropped.append('meeting request recipients and attachments: not exported by pffexport')
            else:
                self.fields['To names'] = sorted(n.strip() for n in to if n.strip() and ';' not in n)
            if any(r.get('Recipient type') != 'To' for r in s.recipients):
                self.dropped.append('Cc and Bcc recipients: not carried (only the To names are)')
            if any(r.get('Email address') for r in s.recipients):
                self.dropped.append('recipient addresses: not carried (only the To names are)')
            form, body = self.body(('html', 'rtf', 'text'))
            self.fields['body'] = (form, body)
        if self.attachments is None:
            self.attachments = Counter(s.attachments)
        if s.embedded and self.kind is not None:
            self.dropped.append('embedded messages: not saved')
        if s.nameless and self.kind is not None:
            self.dropped.append('nameless attachments: not saved')

    def carried_time(self, text):
        """A stored time as the save carries it: none where the date text cannot hold it."""
        if text is None:
            return None
        if not date_storable(text):
            self.dropped.append('time the date text cannot hold: stored without it')
            return None
        return minute_text(text)

    def actual(self, item):
        """The carried fields of a saved item, to set beside self.fields."""
        out = {}
        for key in self.fields:
            if key == 'subject':
                out[key] = item.subject
            elif key in ('organizer', 'sender'):
                out[key] = address_text(item.msg('Sent representing name'), item.msg('Sent representing email address'))
            elif key in ('Start time', 'End time'):
                out[key] = minute_text(item.fields['Appointment'].get(key))
            elif key == 'Location':
                out[key] = item.fields['Appointment'].get('Location') or None
            elif key == 'Delivery time':
                out[key] = minute_text(item.msg('Delivery time'))
            elif key.startswith('contact '):
                out[key] = item.fields['Contact'].get(key[8:])
            elif key == 'To names':
                out[key] = sorted(r.get('Display name', '').strip() for r in item.recipients
                                  if r.get('Recipient type') == 'To')
            elif key == 'body':
                form = self.fields['body'][0]
                out[key] = (form, item.bodies.get(form)) if form else (None, None)
                if form is None and item.bodies:
                    out[key] = ('unexpected', sorted(item.bodies))
        return out

    def differences(self, item):
        diffs = []
        if item.kind != self.kind:
            diffs.append('kind: expected %s, saved %s' % (self.kind, item.kind))
        got = self.actual(item)
        for key, want in self.fields.items():
            if got.get(key) != want:
                if key == 'body':
                    diffs.append('body: expected %s, saved %s' % (describe_body(want), describe_body(got.get(key))))
                else:
                    diffs.append('%s: expected %r, saved %r' % (key, want, got.get(key)))
        saved = Counter(item.attachments)
        if self.attachments == 'unknown':
            pass
        elif saved != self.attachments:
            diffs.append('attachments: expected %s, saved %s' % (sorted(self.attachments.elements()),
                                                                 sorted(saved.elements())))
        return diffs

    def key(self):
        if self.kind == 'Contact':
            c = self.src.fields['Contact']
            return (self.kind, c.get('Given name'), c.get('Surname'), c.get('File under'))
        return (self.kind, shown_subject(self.fields.get('subject')))


def describe_body(b):
    if not b or b[0] is None:
        return 'none'
    if b[0] == 'unexpected':
        return 'unexpected %s' % b[1]
    if b[1] is None:
        return '%s missing' % b[0]
    return '%s of %d bytes (%s)' % (b[0], len(b[1]), hashlib.md5(b[1]).hexdigest()[:8])


def saved_key(item):
    if item.kind == 'Contact':
        c = item.fields['Contact']
        return (item.kind, c.get('Given name'), c.get('Surname'), c.get('File under'))
    return (item.kind, item.subject)


# --- readpst output

def readpst_files(top):
    """{(relative folder, file kind): path} below the one store folder readpst made."""
    entries = [e for e in os.listdir(top) if os.path.isdir(os.path.join(top, e))]
    base = os.path.join(top, entries[0]) if len(entries) == 1 else top
    out = {}
    for d, _, files in os.walk(base):
        for f in files:
            if f in ('mbox', 'contacts', 'calendar', 'journal'):
                out[(os.path.relpath(d, base), f)] = os.path.join(d, f)
    return out


def decode(value):
    try:
        text = str(email.header.make_header(email.header.decode_header(value)))
    except Exception:
        text = value
    # readpst takes a store's 8-bit text for Latin-1; it is Windows-1252.
    if re.search('[\x80-\x9f]', text):
        try:
            text = text.encode('latin-1').decode('cp1252')
        except UnicodeError:
            pass
    return text


def mbox_mails(path):
    """[(subject, sorted attachment file names)] of an mbox; the parts readpst
    makes itself (the RTF body, a calendar file) and embedded mails left out."""
    out = []
    for msg in mailbox.mbox(path):
        names = []
        stack = [msg]
        while stack:
            part = stack.pop()
            if part.is_multipart():
                stack.extend(part.get_payload())
                continue
            name = part.get_filename()
            if name and name != 'rtf-body.rtf' and not name.endswith('.ics'):
                names.append(decode(name))
        out.append((decode(msg.get('Subject', '') or ''), tuple(sorted(names))))
    return out


def expected_mails(mails, gone, renamed):
    """The source's mails as the save stores them: those it leaves out
    removed, a stored subject where it differs from the shown one."""
    gone = Counter(gone)
    out = []
    for subject, names in mails:
        if gone[subject] > 0:
            gone[subject] -= 1
            continue
        out.append((subject, names))
    for shown, stored in renamed:
        for i, (subject, names) in enumerate(out):
            if subject == shown:
                out[i] = (stored, names)
                break
    return Counter(out)


def vblocks(path, begin):
    """VCARD/VEVENT/VJOURNAL blocks as {property: [values]} (top level only)."""
    blocks, cur, depth = [], None, 0
    for line in read_text(path).split('\n'):
        line = line.rstrip('\r')
        if line == 'BEGIN:' + begin and cur is None:
            cur, depth = defaultdict(list), 0
        elif cur is not None:
            if line.startswith('BEGIN:'):
                depth += 1
            elif line.startswith('END:'):
                if depth == 0:
                    blocks.append(cur)
                    cur = None
                    continue
                depth -= 1
            elif depth == 0 and ':' in line:
                name, value = line.split(':', 1)
                cur[name.split(';')[0]].append(line)
    return blocks


READPST_CARRIED = {
    'calendar': ('VEVENT', 'SUMMARY', ('SUMMARY', 'DESCRIPTION', 'DTSTART', 'DTEND', 'LOCATION')),
    'journal': ('VJOURNAL', 'SUMMARY', ('SUMMARY', 'DESCRIPTION')),
    'contacts': ('VCARD', 'N', None),      # every property
}
READPST_IGNORED = {'UID', 'DTSTAMP', 'CREATED', 'LAST-MOD', 'VERSION'}


def to_minute(value):
    return re.sub(r'(T\d{4})\d\dZ$', r'\g<1>00Z', value)


def compare_readpst(src_top, saved_top, absent, renamed):
    """absent: {(folder, 'mail'|'contacts'): Counter of the keys of what the
    save leaves out}; renamed: {folder: [(subject readpst shows, subject
    stored)]} for mails whose conversation topic differs from the subject."""
    ok, notes = True, Counter()
    src, saved = readpst_files(src_top), readpst_files(saved_top)
    for key in sorted(set(src) | set(saved)):
        folder, kind = key
        label = '%s %s' % (folder, kind)
        if key not in saved:
            items = mbox_mails(src[key]) if kind == 'mbox' else vblocks(src[key], READPST_CARRIED[kind][0])
            expected_gone = sum(absent.get((folder, 'mail' if kind == 'mbox' else kind), Counter()).values())
            if len(items) <= expected_gone:
                print('same  readpst %s: none saved, as expected' % label)
                continue
            ok = False
            print('DIFF  readpst %s: %d in the source, the saved store has none' % (label, len(items)))
            continue
        if key not in src:
            ok = False
            print('DIFF  readpst %s: only in the saved store' % label)
            continue
        if kind == 'mbox':
            a = expected_mails(mbox_mails(src[key]), absent.get((folder, 'mail'), Counter()),
                               renamed.get(folder, []))
            b = Counter(mbox_mails(saved[key]))
            if a == b:
                print('same  readpst %s: %d mails' % (label, sum(b.values())))
            else:
                ok = False
                print('DIFF  readpst %s: source %d, saved %d' % (label, sum(a.values()), sum(b.values())))
                for m in sorted((a - b).elements()):
                    print('   only source: %r' % (m,))
                for m in sorted((b - a).elements()):
                    print('   only saved:  %r' % (m,))
            continue
        begin, keyprop, carried = READPST_CARRIED[kind]
        a = vblocks(src[key], begin)
        b = vblocks(saved[key], begin)
        gone = absent.get((folder, kind), Counter())
        kept = []
        for blk in a:
            k = tuple(blk.get(keyprop, []))
            if gone[k] > 0:
                gone[k] -= 1
            else:
                kept.append(blk)
        by_key = defaultdict(list)
        for blk in b:
            by_key[tuple(blk.get(keyprop, []))].append(blk)
        diffs = []
        for blk in kept:
            k = tuple(blk.get(keyprop, []))
            if not by_key[k]:
                diffs.append('only source: %s' % (k,))
                continue
            other = by_key[k].pop(0)
            props = carried or (set(blk) | set(other)) - READPST_IGNORED
            for p in sorted(props):
                if p in ('DTSTART', 'DTEND'):
                    # The save keeps times to the minute.
                    if [to_minute(v) for v in blk.get(p, [])] != blk.get(p, []):
                        notes['readpst %s seconds: not carried' % p] += 1
                    if [to_minute(v) for v in blk.get(p, [])] != other.get(p, []):
                        diffs.append('%s %s: source %s, saved %s' % (k, p, blk.get(p, []), other.get(p, [])))
                elif blk.get(p, []) != other.get(p, []):
                    diffs.append('%s %s: source %s, saved %s' % (k, p, blk.get(p, []), other.get(p, [])))
            for p in sorted((set(blk) | set(other)) - set(props) - READPST_IGNORED):
                if blk.get(p, []) != other.get(p, []):
                    notes['readpst %s %s: not carried' % (kind, p)] += 1
        for k, rest in by_key.items():
            for _ in rest:
                diffs.append('only saved: %s' % (k,))
        if diffs:
            ok = False
            print('DIFF  readpst %s:' % label)
            for d in diffs:
                print('   ' + d)
        else:
            print('same  readpst %s: %d entries' % (label, len(b)))
    return ok, notes


# --- the comparison

def main(argv):
    if len(argv) not in (3, 6) or (len(argv) == 6 and argv[3] != '--readpst'):
        print(__doc__)
        return 2
    src, saved = folders(argv[1]), folders(argv[2])
    ok = True
    dropped = Counter()
    per_kind = defaultdict(lambda: [0, 0, 0])   # by source kind: source, to store, stored alike
    saved_kinds = Counter()
    absent = defaultdict(Counter)
    renamed = defaultdict(list)
    for folder in sorted(set(src) | set(saved)):
        expected = [Expected(i) for i in src.get(folder, [])]
        got = list(saved.get(folder, []))
        for e in expected:
            per_kind[e.src.kind][0] += 1
            for d in e.dropped:
                dropped[d] += 1
            if e.kind is None:
                if e.src.kind == 'Contact':
                    c = e.src.fields['Contact']
                    absent[(folder, 'contacts')][('N:%s;%s;;;' % (c.get('Surname', ''), c.get('Given name', '')),)] += 1
                else:
                    absent[(folder, 'mail')][e.src.msg('Subject') or ''] += 1
            elif e.kind == 'Message' and (e.src.msg('Subject') or '') != e.fields['subject']:
                # readpst shows the subject; without one the save stores the conversation topic.
                renamed[folder].append((e.src.msg('Subject') or '', e.fields['subject']))
        saved_kinds.update(i.kind for i in got)
        stored = [e for e in expected if e.kind]
        lines = []
        for e in stored:
            per_kind[e.src.kind][1] += 1
            candidates = [i for i in got if saved_key(i) == e.key()]
            if not candidates:
                lines.append('missing %s %r' % (e.kind, e.key()[1:]))
                continue
            best = min(candidates, key=lambda i: len(e.differences(i)))
            got.remove(best)
            diffs = e.differences(best)
            if diffs:
                lines.append('%s %r:' % (e.kind, e.key()[1:]))
                lines.extend('      ' + d for d in diffs)
            else:
                per_kind[e.src.kind][2] += 1
        for i in got:
            lines.append('unexpected saved %s %r' % (i.kind, saved_key(i)[1:]))
        if lines:
            ok = False
            print('DIFF  %s: source %d, expected %d, saved %d' % (folder, len(expected), len(stored),
                                                                   len(saved.get(folder, []))))
            for line in lines:
                print('   ' + line)
        elif expected or folder in saved:
            print('same  %s: %d saved of %d' % (folder, len(stored), len(expected)))
        if folder not in saved:
            ok = False
            print('DIFF  %s: the folder is missing from the saved store' % folder)
    if len(argv) == 6:
        rp_ok, notes = compare_readpst(argv[4], argv[5], absent, renamed)
        ok = ok and rp_ok
        dropped.update(notes)
    print('per kind of source item: in the source, to be stored, stored with every carried field alike:')
    for kind in sorted(per_kind):
        print('   %-16s %5d %5d %5d' % ((kind,) + tuple(per_kind[kind])))
    print('saved items by kind: ' + ', '.join('%s %d' % kv for kv in sorted(saved_kinds.items())))
    if dropped:
        print('dropped by the save as designed:')
        for what, n in sorted(dropped.items()):
            print('   %4d x %s' % (n, what))
    print('ALL CARRIED FIELDS SAME' if ok else 'DIFFERENCES')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
