#!/usr/bin/env python3
"""Writes damaged copies of a store, each with one kind of damage placed on a
structure of the file, for the reader's recovery checks and its fuzz and
sanitizer runs. The copies never go into the repository.

    damage_store.py STORE OUTDIR [--kinds K,K,...] [--count N] [--seed S]

For every kind, N copies are written as OUTDIR/<store stem>.<kind>.<i>.<ext>,
each with a few bytes changed (or, for "cut", the file cut short), and one
line per copy on standard output: the file, the kind, and what was changed
("OFFSET:OLD>NEW ..." or "cut N"), the form of ../shared/testdata/damaged's
cases.tsv. The same store, kinds, count and seed give the same copies.

Kinds:
  page-trailer   a byte of the signature, CRC or block id of a B-tree page's trailer
  btree-entry    1 to 3 bytes of one entry of a B-tree page (key, id, offset, parent)
  block-trailer  a byte of a block's trailer (size, signature, CRC, id)
  heap-header    1 or 2 bytes of the heap header at the start of a node's data
  heap-body      1 to 3 bytes of a heap past its header (page map, allocations, values)
  data-block     1 to 3 bytes anywhere in a block's data
  cut            the file cut at a random length past its header
  header         a byte of the file header past its magic number
"""
import os
import random
import struct
import sys

KINDS = ("page-trailer", "btree-entry", "block-trailer", "heap-header", "heap-body", "data-block", "cut",
         "header")


class Layout:
    """Offsets of the file's structures by variant ([MS-PST] 2.2.2)."""

    def __init__(self, data):
        if data[:4] != b"!BDN":
            raise ValueError("not a store: no header magic")
        version = struct.unpack_from("<H", data, 10)[0]
        self.unicode = version >= 23
        if version == 36:
            raise ValueError("4 KiB-page stores are not read")
        if self.unicode:
            self.id_size = 8
            self.nbt_root = struct.unpack_from("<QQ", data, 216)
            self.bbt_root = struct.unpack_from("<QQ", data, 232)
            self.crypt = data[513]
            self.header_size = 564
            self.count_at, self.level_at = 488, 491
            self.trailer = 496
            self.page_trailer = 16
            self.entry_size, self.node_entry_size = 24, 32
            self.block_trailer = 16
        else:
            self.id_size = 4
            self.nbt_root = struct.unpack_from("<II", data, 184)
            self.bbt_root = struct.unpack_from("<II", data, 192)
            self.crypt = data[461]
            self.header_size = 512
            self.count_at, self.level_at = 496, 499
            self.trailer = 500
            self.page_trailer = 12
            self.entry_size, self.node_entry_size = 12, 16
            self.block_trailer = 12

    def load_id(self, data, at):
        return struct.unpack_from("<Q" if self.unicode else "<I", data, at)[0]


class StoreMap:
    """Where the B-tree pages, blocks and node data of an undamaged store lie."""

    def __init__(self, data):
        self.data = data
        self.layout = Layout(data)
        self.pages = []        # (offset, is_leaf, entry size, count)
        self.blocks = {}       # bid without bit 0 -> (offset, cb)
        self.nodes = []        # (nid, bid data, bid sub)
        seen = set()
        self._walk(self.layout.bbt_root[1], False, seen, 0)
        self._walk(self.layout.nbt_root[1], True, seen, 0)

    def _walk(self, offset, node_tree, seen, depth):
        lay = self.layout
        if offset in seen or depth > 16 or offset + 512 > len(self.data):
            return
        seen.add(offset)
        page = self.data[offset:offset + 512]
        count = page[lay.count_at]
        leaf = page[lay.level_at] == 0
        size = lay.node_entry_size if leaf and node_tree else lay.entry_size
        if count * size > lay.count_at:
            return
        self.pages.append((offset, leaf, size, count))
        for i in range(count):
            at = i * size
            if not leaf:
                self._walk(lay.load_id(page, at + 2 * lay.id_size), node_tree, seen, depth + 1)
            elif node_tree:
                nid = lay.load_id(page, at)
                self.nodes.append((nid, lay.load_id(page, at + lay.id_size), lay.load_id(page, at + 2 * lay.id_size)))
            else:
                bid = lay.load_id(page, at)
                ib = lay.load_id(page, at + lay.id_size)
                cb = struct.unpack_from("<H", page, at + 2 * lay.id_size)[0]
                self.blocks[bid & ~1] = (ib, cb)

    def block(self, bid):
        return self.blocks.get(bid & ~1)

    def heap_blocks(self):
        """(offset, cb) of the first data block of every node whose data is a heap."""
        out = []
        for nid, bid_data, _ in self.nodes:
            found = self.block(bid_data)
            if not found:
                continue
            offset, cb = found
            if bid_data & 2:  # a data tree: its first child holds the heap header
                if cb < 8 + self.layout.id_size:
                    continue
                child = self.block(self.layout.load_id(self.data, offset + 8))
                if not child:
                    continue
                offset, cb = child
            if cb >= 12 and offset + cb <= len(self.data):
                out.append((offset, cb))
        return out

    def block_trailer_at(self, offset, cb):
        """The trailer's offset: after the data, padded to 64 bytes."""
        total = (cb + self.layout.block_trailer + 63) // 64 * 64
        return offset + total - self.layout.block_trailer


def change_bytes(data, rng, offsets):
    """Gives each offset a new value; the change list in cases.tsv form."""
    changes = []
    for at in sorted(set(offsets)):
        if at >= len(data):
            continue
        old = data[at]
        new = (old + rng.randrange(1, 256)) & 0xFF
        data[at] = new
        changes.append("%d:%02x>%02x" % (at, old, new))
    return " ".join(changes)


def damage(kind, source, store, rng):
    """A damaged copy of source and the change made; None when the store has no such structure."""
    data = bytearray(source)
    lay = store.layout
    if kind == "cut":
        keep = rng.randrange(lay.header_size + 1, len(data))
        return data[:keep], "cut %d" % keep
    if kind == "header":
        # Past the magic number, within the fields the reader uses.
        return data, change_bytes(data, rng, [rng.randrange(4, lay.header_size)])
    if kind in ("page-trailer", "btree-entry"):
        if not store.pages:
            return None
        offset, leaf, size, count = rng.choice(store.pages)
        if kind == "page-trailer":
            # wSig, dwCRC and bid: never the page type, which a reader may
            # not need but a damage of its own would be another kind.
            return data, change_bytes(data, rng, [offset + lay.trailer + rng.randrange(2, lay.page_trailer)])
        entry = offset + rng.randrange(max(count, 1)) * size
        return data, change_bytes(data, rng, [entry + rng.randrange(size) for _ in range(rng.randint(1, 3))])
    if kind == "block-trailer":
        blocks = [b for b in store.blocks.values() if b[0] + b[1] <= len(data)]
        if not blocks:
            return None
        offset, cb = rng.choice(blocks)
        trailer = store.block_trailer_at(offset, cb)
        return data, change_bytes(data, rng, [trailer + rng.randrange(lay.block_trailer)])
    if kind in ("heap-header", "heap-body"):
        heaps = store.heap_blocks()
        if not heaps:
            return None
        if kind == "heap-body":
            heaps = [h for h in heaps if h[1] > 12]   # a body past the 12-byte header
            if not heaps:
                return None
        offset, cb = rng.choice(heaps)
        if kind == "heap-header":
            return data, change_bytes(data, rng, [offset + rng.randrange(12) for _ in range(rng.randint(1, 2))])
        return data, change_bytes(data, rng, [offset + rng.randrange(12, cb) for _ in range(rng.randint(1, 3))])
    if kind == "data-block":
        blocks = [b for b in store.blocks.values() if b[1] > 0 and b[0] + b[1] <= len(data)]
        if not blocks:
            return None
        offset, cb = rng.choice(blocks)
        return data, change_bytes(data, rng, [offset + rng.randrange(cb) for _ in range(rng.randint(1, 3))])
    raise ValueError("unknown kind " + kind)


def main(argv):
    args = argv[1:]
    kinds, count, seed = list(KINDS), 5, 1
    positional = []
    while args:
        a = args.pop(0)
        if a == "--kinds":
            kinds = args.pop(0).split(",")
        elif a == "--count":
            count = int(args.pop(0))
        elif a == "--seed":
            seed = int(args.pop(0))
        else:
            positional.append(a)
    if len(positional) != 2 or any(k not in KINDS for k in kinds):
        sys.stderr.write(__doc__)
        return 2
    path, out = positional
    source = open(path, "rb").read()
    store = StoreMap(source)
    os.makedirs(out, exist_ok=True)
    stem, ext = os.path.splitext(os.path.basename(path))
    for kind in kinds:
        rng = random.Random("%s/%s/%d" % (os.path.basename(path), kind, seed))
        for i in range(count):
            made = damage(kind, source, store, rng)
            if made is None:
                break
            data, change = made
            name = os.path.join(out, "%s.%s.%d%s" % (stem, kind, i, ext))
            with open(name, "wb") as f:
                f.write(data)
            print("%s\t%s\t%s" % (name, kind, change))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
