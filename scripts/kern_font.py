#!/usr/bin/env python3
"""Writes a copy of a TrueType font whose pair kerning a plain `kern` reader sees.

    kern_font.py SOURCE.ttf OUTPUT.ttf

Fira Sans keeps its kerning only in GPOS pair-adjustment lookups wrapped as
extension lookups, and in two lookups whose values add up (one for figures
and symbols, one for everything else). stb_truetype reads neither: it reads
a GPOS only when its pair lookups are not wrapped, stops at the first lookup
that covers the left glyph, and ignores a `kern` table whenever a GPOS is
present. This script evaluates the `kern` feature's lookups with fontTools
for every pair of the characters below, writes the non-zero sums as one
format-0 `kern` subtable, and drops GPOS (stb_truetype uses it for nothing
else). Every other table is copied byte for byte, so the result depends only
on the source file: the set-up script pins its checksum.

A format-0 subtable holds at most 65535 pairs, so the characters are those a
player's text most often holds: ASCII, Latin-1 and Latin Extended-A, Greek,
basic Cyrillic, general punctuation and currency signs. Pairs outside them
are not kerned.
"""
import struct
import sys

from fontTools.ttLib import TTFont

CHARACTER_RANGES = [
    (0x0020, 0x007E),  # ASCII
    (0x00A0, 0x017F),  # Latin-1 Supplement, Latin Extended-A
    (0x0370, 0x03FF),  # Greek
    (0x0400, 0x045F),  # Cyrillic
    (0x2010, 0x203F),  # general punctuation: dashes, quotes, ellipsis
    (0x20A0, 0x20BF),  # currency signs
]
MAX_PAIRS = 0xFFFF


def fail(message):
    sys.stderr.write("kern_font: " + message + "\n")
    sys.exit(1)


def pair_subtables(lookup):
    """The pair-adjustment subtables of a lookup, extension wrappers removed."""
    tables = []
    for sub in lookup.SubTable:
        table = sub.ExtSubTable if lookup.LookupType == 9 else sub
        if getattr(table, "LookupType", lookup.LookupType) == 2:
            tables.append(table)
    return tables


def x_advance(value):
    return (getattr(value, "XAdvance", 0) or 0) if value is not None else 0


def lookup_values(subtables, left, rights):
    """The lookup's x-advance adjustment for `left` followed by each glyph in
    `rights`: the first subtable that matches a pair decides it (a format-1
    subtable matches listed pairs only; a format-2 one every right glyph once
    it covers the left glyph)."""
    values = {}
    resolved = set()
    for table in subtables:
        coverage = table.Coverage.glyphs
        if left not in coverage:
            continue
        if table.Format == 1:
            pair_set = table.PairSet[coverage.index(left)]
            for record in pair_set.PairValueRecord:
                right = record.SecondGlyph
                if right in resolved or right not in rights:
                    continue
                resolved.add(right)
                values[right] = x_advance(record.Value1)
            continue
        row = table.Class1Record[table.ClassDef1.classDefs.get(left, 0)].Class2Record
        classes = table.ClassDef2.classDefs
        for right in rights:
            if right not in resolved:
                values[right] = x_advance(row[classes.get(right, 0)].Value1)
        break
    return values


def kerning_pairs(font):
    gpos = font["GPOS"].table
    lookups = sorted({index for record in gpos.FeatureList.FeatureRecord if record.FeatureTag == "kern"
                      for index in record.Feature.LookupListIndex})
    if not lookups:
        fail("the source font has no kern feature")
    cmap = font.getBestCmap()
    glyphs = sorted({cmap[c] for first, last in CHARACTER_RANGES for c in range(first, last + 1) if c in cmap})
    ids = {name: font.getGlyphID(name) for name in glyphs}
    totals = {}
    for index in lookups:
        subtables = pair_subtables(gpos.LookupList.Lookup[index])
        for left in glyphs:
            for right, value in lookup_values(subtables, left, set(glyphs)).items():
                if value:
                    key = (ids[left], ids[right])
                    totals[key] = totals.get(key, 0) + value
    pairs = sorted((key, value) for key, value in totals.items() if value)
    if len(pairs) > MAX_PAIRS:
        fail("%d kerning pairs do not fit one kern subtable (at most %d)" % (len(pairs), MAX_PAIRS))
    return pairs


def kern_table(pairs):
    n = len(pairs)
    entry_selector = max(n.bit_length() - 1, 0)
    search_range = 6 * (1 << entry_selector) if n else 0
    # The binary-search hints are 16-bit too; readers that use them clamp alike.
    body = struct.pack(">HHHH", n, min(search_range, 0xFFFF), entry_selector, min(6 * n - search_range, 0xFFFF))
    body += b"".join(struct.pack(">HHh", left, right, value) for (left, right), value in pairs)
    # The subtable's 16-bit length overflows above 10920 pairs; readers count
    # by the number of pairs, and the length keeps its low 16 bits.
    length = (6 + len(body)) & 0xFFFF
    coverage = 0x0001  # format 0, horizontal
    return struct.pack(">HH", 0, 1) + struct.pack(">HHH", 0, length, coverage) + body


def table_checksum(data):
    padded = data + b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(padded) // 4), padded)) & 0xFFFFFFFF


def read_tables(data):
    flavor, count = struct.unpack(">IH", data[:6])
    if flavor != 0x00010000:
        fail("the source is not a TrueType font")
    tables = {}
    for i in range(count):
        tag, _, offset, length = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag.decode("latin-1")] = data[offset:offset + length]
    return tables


def write_font(tables):
    tags = sorted(tables)
    count = len(tags)
    entry_selector = count.bit_length() - 1
    search_range = 16 * (1 << entry_selector)
    head = bytearray(tables["head"])
    head[8:12] = b"\0\0\0\0"  # checkSumAdjustment, set below
    tables = dict(tables, head=bytes(head))
    directory = struct.pack(">IHHHH", 0x00010000, count, search_range, entry_selector, 16 * count - search_range)
    offset = 12 + 16 * count
    records, blobs = [], []
    for tag in tags:
        data = tables[tag]
        records.append(struct.pack(">4sIII", tag.encode("latin-1"), table_checksum(data), offset, len(data)))
        blobs.append(data + b"\0" * (-len(data) % 4))
        offset += len(blobs[-1])
    font = bytearray(directory + b"".join(records) + b"".join(blobs))
    adjustment = (0xB1B0AFBA - table_checksum(bytes(font))) & 0xFFFFFFFF
    head_offset = 12 + 16 * count + sum(len(b) for b in blobs[:tags.index("head")])
    font[head_offset + 8:head_offset + 12] = struct.pack(">I", adjustment)
    return bytes(font)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: kern_font.py SOURCE.ttf OUTPUT.ttf\n")
        sys.exit(2)
    source, output = sys.argv[1:]
    with open(source, "rb") as f:
        data = f.read()
    tables = read_tables(data)
    if "GPOS" not in tables:
        fail("the source font has no GPOS table")
    pairs = kerning_pairs(TTFont(source, lazy=True))
    del tables["GPOS"]
    tables["kern"] = kern_table(pairs)
    with open(output, "wb") as f:
        f.write(write_font(tables))
    print("kern_font: %d kerning pairs" % len(pairs))


if __name__ == "__main__":
    main()
