#!/usr/bin/env python3
# Compares two pffexport trees folder by folder: the items of each folder by
# kind, subject, attachments (by content hash) and body forms. Used to check
# a saved personal store against the store it was saved from.
#   compare_exports.py SOURCE_FOLDER SAVED_FOLDER
import os, sys, hashlib, re
def items(root):
    out = {}
    for d, subs, files in os.walk(root):
        for s in subs:
            m = re.match(r'(Message|Meeting|Appointment|Contact|Task|Note|Journal|Activity)\d+$', s)
            if not m: continue
            p = os.path.join(d, s)
            folder = os.path.relpath(d, root)
            hdr = open(os.path.join(p, 'OutlookHeaders.txt'), errors='replace').read() if os.path.exists(os.path.join(p,'OutlookHeaders.txt')) else ''
            subj = re.search(r'^Subject:\s*(.*)$', hdr, re.M)
            subj = subj.group(1).strip() if subj else ''
            att = []
            ad = os.path.join(p, 'Attachments')
            if os.path.isdir(ad):
                for f in sorted(os.listdir(ad)):
                    fp = os.path.join(ad, f)
                    if os.path.isfile(fp): att.append(hashlib.md5(open(fp,'rb').read()).hexdigest()[:8])
            body = {}
            for b in ('Message.txt','Message.html','Message.rtf'):
                if os.path.exists(os.path.join(p,b)): body[b] = os.path.getsize(os.path.join(p,b))
            out.setdefault(folder, []).append((m.group(1), subj, tuple(sorted(att)), tuple(sorted(body))))
    return out
src = items(sys.argv[1]); dst = items(sys.argv[2])
ok = True
for f in sorted(set(src) | set(dst)):
    a = sorted(src.get(f, [])); b = sorted(dst.get(f, []))
    if a == b: print(f"same  {f}: {len(a)}")
    else:
        ok = False
        print(f"DIFF  {f}: source {len(a)} saved {len(b)}")
        for x in a:
            if x not in b: print("   only source:", x)
        for x in b:
            if x not in a: print("   only saved: ", x)
print("ALL SAME" if ok else "DIFFERENCES")
sys.exit(0 if ok else 1)
