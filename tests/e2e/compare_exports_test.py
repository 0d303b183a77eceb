#!/usr/bin/env python3
"""The checker of saved stores (tools/exportcheck/compare_exports.py) on small
pffexport-like trees: what the save carries must match, what it drops by
design must not count against it, and a loss beyond that must be found."""
import contextlib
import io
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'exportcheck'))
import compare_exports  # noqa: E402


def header(fields, section=None, more=None):
    text = 'Message:\n' + ''.join('%s:\t\t\t%s\n' % kv for kv in fields)
    if section:
        text += '\n%s:\n' % section + ''.join('%s:\t\t\t%s\n' % kv for kv in (more or []))
    return text


class Tree:
    """A pffexport folder tree: tree.item('Inbox', 'Message00001', files)."""

    def __init__(self, root):
        self.root = root
        os.makedirs(root)

    def folder(self, path):
        os.makedirs(os.path.join(self.root, path), exist_ok=True)

    def item(self, folder, name, files):
        d = os.path.join(self.root, folder, name)
        for rel, data in files.items():
            p = os.path.join(d, rel)
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, 'wb') as f:
                f.write(data.encode('utf-8') if isinstance(data, str) else data)


def mail(delivery='Feb 03, 2020 08:15:27.120000000 UTC', attachments=('1_a.txt', '2_b.bin'), cc=True,
         body=('Message.txt', 'Hello'), subject='Figures'):
    fields = [('Subject', subject), ('Conversation topic', subject), ('Flags', '0x00000011 (Read)'),
              ('Sent representing name', 'Bob'), ('Sent representing email address', 'bob@example.com')]
    if delivery:
        fields.insert(0, ('Delivery time', delivery))
    recipients = 'Display name:\t\tAnn\nEmail address:\t\tann@example.com\nRecipient type:\t\tTo\n\n'
    if cc:
        recipients += 'Display name:\t\tCid\nEmail address:\t\tcid@example.com\nRecipient type:\t\tCC\n\n'
    files = {'OutlookHeaders.txt': header(fields), 'Recipients.txt': recipients, body[0]: body[1]}
    for a in attachments:
        files['Attachments/' + a] = 'data of ' + a[2:]
    return files


def saved_mail(**kw):
    files = mail(delivery='Feb 03, 2020 08:15:00.000000000 UTC', cc=False, **kw)
    files['Recipients.txt'] = 'Display name:\t\tAnn\nEmail address:\t\t\nRecipient type:\t\tTo\n\n'
    return files


def contact(given, surname, flags='0x00000001 (Read)', title='Director'):
    return {'Contact.txt': header([('Subject', given + ' ' + surname), ('Flags', flags)], 'Contact',
                                  [('Given name', given), ('Surname', surname), ('Job title', title)])}


def task(attachments):
    files = {'Task.txt': header([('Subject', 'Budget'), ('Delivery time', 'Jul 01, 2020 10:00:00.000000000 UTC')],
                                'Task', [('Status', '0x00000001')]),
             'Message.txt': 'Plan it'}
    for a in attachments:
        files['Attachments/' + a] = 'data of ' + a[2:]
    return files


class CompareExports(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.src = Tree(os.path.join(self.dir, 'source'))
        self.saved = Tree(os.path.join(self.dir, 'saved'))
        for t in (self.src, self.saved):
            for f in ('Inbox', 'Contacts', 'Tasks'):
                t.folder(f)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def check(self):
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = compare_exports.main(['compare', self.src.root, self.saved.root])
        return status, out.getvalue()

    def test_a_save_as_designed_passes_and_lists_what_it_drops(self):
        self.src.item('Inbox', 'Message00001', mail())
        self.saved.item('Inbox', 'Message00001', saved_mail())
        # A mail without a delivery time is stored without one; a contact with flags 9 is not stored.
        self.src.item('Inbox', 'Message00002', mail(delivery=None, subject='Draft'))
        draft = saved_mail(subject='Draft')
        draft['OutlookHeaders.txt'] = draft['OutlookHeaders.txt'].replace(
            'Delivery time:\t\t\tFeb 03, 2020 08:15:00.000000000 UTC\n', '')
        self.saved.item('Inbox', 'Message00002', draft)
        self.src.item('Contacts', 'Contact00001', contact('Ann', 'Lee'))
        self.src.item('Contacts', 'Contact00002', contact('Dra', 'Ft', flags='0x00000009 (Read, Unsent)'))
        self.saved.item('Contacts', 'Contact00001', contact('Ann', 'Lee'))
        # A task carries every attachment.
        self.src.item('Tasks', 'Task00001', task(['1_x.txt', '2_y.txt']))
        self.saved.item('Tasks', 'Task00001', task(['1_x.txt', '2_y.txt']))
        status, out = self.check()
        self.assertEqual(status, 0, out)
        self.assertIn('Cc and Bcc recipients: not carried', out)
        self.assertIn('contact with message flags 9: not stored', out)

    def test_losses_beyond_the_design_are_found(self):
        self.src.item('Inbox', 'Message00001', mail())
        self.saved.item('Inbox', 'Message00001', saved_mail(attachments=('1_a.txt',)))
        self.src.item('Inbox', 'Message00002', mail(subject='Second', body=('Message.html', '<p>x</p>')))
        self.saved.item('Inbox', 'Message00002', saved_mail(subject='Second', body=('Message.txt', 'x')))
        self.src.item('Contacts', 'Contact00001', contact('Ann', 'Lee'))
        self.saved.item('Contacts', 'Contact00001', contact('Ann', 'Lee', title='Clerk'))
        self.src.item('Tasks', 'Task00001', task(['1_x.txt']))
        self.saved.item('Tasks', 'Task00001', task([]))
        self.src.folder('Archive')
        status, out = self.check()
        self.assertEqual(status, 1, out)
        self.assertIn("saved [('a.txt'", out)               # b.bin lost
        self.assertIn('body: expected html', out)           # a mail keeps its HTML body
        self.assertIn("contact Job title: expected 'Director', saved 'Clerk'", out)
        self.assertIn("attachments: expected [('x.txt'", out)   # the task's file lost
        self.assertIn('Archive: the folder is missing', out)

    def test_an_item_the_save_leaves_out_must_not_appear(self):
        self.src.item('Contacts', 'Contact00001', contact('Dra', 'Ft', flags='0x00000009 (Read, Unsent)'))
        self.saved.item('Contacts', 'Contact00001', contact('Dra', 'Ft'))
        status, out = self.check()
        self.assertEqual(status, 1, out)
        self.assertIn('unexpected saved Contact', out)

    def test_times_are_compared_to_the_minute(self):
        self.src.item('Inbox', 'Message00001', mail())
        self.saved.item('Inbox', 'Message00001', saved_mail())
        later = saved_mail()
        later['OutlookHeaders.txt'] = later['OutlookHeaders.txt'].replace('08:15:00', '08:16:00')
        self.assertEqual(self.check()[0], 0)
        self.saved.item('Inbox', 'Message00001', later)
        status, out = self.check()
        self.assertEqual(status, 1, out)
        self.assertIn("Delivery time: expected '2020-02-03 08:15', saved '2020-02-03 08:16'", out)

    def test_readpst_mails_contacts_and_appointments(self):
        # The report's subject "Undeliverable: Plan" is saved whole, not its topic.
        report = mail(subject='Plan')
        report['OutlookHeaders.txt'] = report['OutlookHeaders.txt'].replace(
            'Subject:\t\t\tPlan', 'Subject:\t\t\tUndeliverable: Plan')
        self.src.item('Inbox', 'Message00001', report)
        self.saved.item('Inbox', 'Message00001', saved_mail(subject='Undeliverable: Plan'))
        self.src.item('Contacts', 'Contact00001', contact('Ann', 'Lee'))
        self.src.item('Contacts', 'Contact00002', contact('Dra', 'Ft', flags='0x00000009 (Read, Unsent)'))
        self.saved.item('Contacts', 'Contact00001', contact('Ann', 'Lee'))
        rp_src, rp_saved = (os.path.join(self.dir, n, 'store') for n in ('rp-source', 'rp-saved'))
        mbox = ('From "bob@example.com" Mon Feb  3 08:15:00 2020\nSubject: %s\nContent-Type: multipart/mixed;'
                ' boundary="b"\n\n--b\nContent-Type: text/plain\n\nHello\n--b\nContent-Type: application/'
                'octet-stream\nContent-Disposition: attachment; filename="a.txt"\n\ndata\n--b--\n\n')
        card = 'BEGIN:VCARD\nN:%s\nTITLE:%s\nVERSION:3.0\nEND:VCARD\n\n'
        event = ('BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:Dentist\nDTSTART;VALUE=DATE-TIME:20200304T1400%sZ\n'
                 'UID:%s\n%sEND:VEVENT\nEND:VCALENDAR\n')
        files = {
            rp_src: {'Inbox/mbox': mbox % 'Undeliverable: Plan',
                     'Contacts/contacts': card % ('Lee;Ann;;;', 'Director') + card % ('Ft;Dra;;;', 'x'),
                     'Calendar/calendar': event % ('12', '1', 'RRULE:FREQ=DAILY;COUNT=5\n')},
            rp_saved: {'Inbox/mbox': mbox % 'Undeliverable: Plan', 'Contacts/contacts': card % ('Lee;Ann;;;', 'Director'),
                       'Calendar/calendar': event % ('00', '2', '')},
        }
        for top, content in files.items():
            for rel, text in content.items():
                os.makedirs(os.path.dirname(os.path.join(top, rel)), exist_ok=True)
                with open(os.path.join(top, rel), 'w') as f:
                    f.write(text)

        def run():
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                status = compare_exports.main(['compare', self.src.root, self.saved.root, '--readpst',
                                               os.path.dirname(rp_src), os.path.dirname(rp_saved)])
            return status, out.getvalue()

        status, out = run()
        self.assertEqual(status, 0, out)
        self.assertIn('readpst calendar RRULE: not carried', out)
        self.assertIn('readpst DTSTART seconds: not carried', out)
        with open(os.path.join(rp_saved, 'Contacts/contacts'), 'w') as f:
            f.write(card % ('Lee;Ann;;;', 'Clerk'))
        status, out = run()
        self.assertEqual(status, 1, out)
        self.assertIn("TITLE: source ['TITLE:Director'], saved ['TITLE:Clerk']", out)


if __name__ == '__main__':
    unittest.main()
