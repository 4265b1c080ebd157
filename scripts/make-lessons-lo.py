#!/usr/bin/env python3
"""Makes the test lessons of a second writer, LibreOffice Impress, through UNO.

Run by scripts/make-lessons-lo.sh, which starts a headless soffice with a private profile; needs
Debian's libreoffice-impress and python3-uno. The files are committed: neither the build nor the
tests need LibreOffice. Usage: make-lessons-lo.py PIPE-NAME OUT-DIR POI-LESSON...
"""
import os
import struct
import sys
import time

import uno
from com.sun.star.awt import Point, Size
from com.sun.star.beans import PropertyValue
from com.sun.star.presentation.ClickAction import (FIRSTPAGE, LASTPAGE, NEXTPAGE, PREVPAGE,
                                                   PROGRAM, STOPPRESENTATION)

PLAIN = "C:\\CBT\\tarnskov.exe"
QUOTED = '"C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe"'


def connect(pipe):
    resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
    for _ in range(120):
        try:
            return resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            time.sleep(0.5)
    sys.exit("make-lessons-lo: soffice did not answer")


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def shape(doc, page, text, x, y, action=None, bookmark="", w=8000, h=1200):
    """A rectangle at x, y (1/100 mm) with its text and its click action."""
    s = doc.createInstance("com.sun.star.drawing.RectangleShape")
    s.Position, s.Size = Point(x, y), Size(w, h)
    page.add(s)
    s.String = text
    if action is not None:
        s.OnClick = action
        s.Bookmark = bookmark
    return s


def save(doc, path):
    doc.storeToURL(url(path), (prop("FilterName", "MS PowerPoint 97"),))
    doc.close(True)
    without_preview(path)


END, FREE, FAT_SECTOR = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD


def chain(table, start):
    while start < 0xFFFFFFFA:
        yield start
        start = table[start]


def without_preview(path):
    """LibreOffice puts an uncompressed picture of slide 1 (half a megabyte) in the summary
    information, which would make the lessons poor fuzzing seeds. The file is laid out again
    (version 3, 512-byte sectors) with LibreOffice's streams byte for byte and its directory
    entries as written, their start and size aside, the summary information left empty."""
    data = open(path, "rb").read()
    sector = lambda n: data[512 * (n + 1):512 * (n + 2)]
    fat = []
    for n in struct.unpack_from("<109I", data, 0x4C)[:struct.unpack_from("<I", data, 0x2C)[0]]:
        fat += struct.unpack("<128I", sector(n))
    entries = [b"".join(sector(n)[i:i + 128] for n in chain(fat, struct.unpack_from(
        "<I", data, 0x30)[0]) for i in range(0, 512, 128))][0]
    entries = [entries[i:i + 128] for i in range(0, len(entries), 128)]
    minifat = []
    for n in chain(fat, struct.unpack_from("<I", data, 0x3C)[0]):
        minifat += struct.unpack("<128I", sector(n))
    read = lambda e, table, unit, source: b"".join(
        source[unit * n:unit * (n + 1)] for n in chain(table, struct.unpack_from(
            "<I", e, 0x74)[0]))[:struct.unpack_from("<I", e, 0x78)[0]]
    ministream = read(entries[0], fat, 512, data[512:])
    streams = []
    for e in entries:
        size = struct.unpack_from("<I", e, 0x78)[0]
        if e[0x42] != 2 or e.startswith("\x05SummaryInformation\0".encode("utf-16-le")):
            streams.append(b"")
        elif size < 4096:
            streams.append(read(e, minifat, 64, ministream))
        else:
            streams.append(read(e, fat, 512, data[512:]))
    pad = lambda b, unit: b + bytes(-len(b) % unit)
    mini, minifat, body, fat, starts = b"", [], b"", [], []

    def place(table, length, unit, offset):
        count = -(-length // unit)
        table += [offset + i + 1 for i in range(count - 1)] + [END] * (count > 0)
        return offset if count else END
    for e, b in zip(entries, streams):
        if e[0x42] != 2 or not b:
            starts.append((END, 0))
        elif len(b) < 4096:
            starts.append((place(minifat, len(b), 64, len(mini) // 64), len(b)))
            mini += pad(b, 64)
        else:
            starts.append((place(fat, len(b), 512, len(body) // 512), len(b)))
            body += pad(b, 512)
    starts[0] = (place(fat, len(mini), 512, len(body) // 512), len(mini))
    body += pad(mini, 512)
    minifat_bytes = pad(struct.pack("<%dI" % len(minifat), *minifat), 512)
    minifat_start = place(fat, len(minifat_bytes), 512, len(body) // 512)
    body += minifat_bytes
    directory = b"".join(e[:0x74] + struct.pack("<II", *s) + e[0x7C:] for e, s in zip(entries,
                                                                                        starts))
    directory = pad(directory, 512)
    directory_start = place(fat, len(directory), 512, len(body) // 512)
    body += directory
    fat_sectors = 1
    while (len(fat) + fat_sectors) > 128 * fat_sectors:
        fat_sectors += 1
    fat_start = len(body) // 512
    fat += [FAT_SECTOR] * fat_sectors
    body += pad(struct.pack("<%dI" % len(fat), *fat) + b"\xff" * 4 * (128 * fat_sectors - len(fat)),
                512)
    header = bytearray(data[:512])
    struct.pack_into("<IIIIIII", header, 0x2C, fat_sectors, directory_start, 0, 4096,
                     minifat_start, len(minifat_bytes) // 512, END)
    struct.pack_into("<I", header, 0x48, 0)
    struct.pack_into("<109I", header, 0x4C,
                     *([fat_start + i for i in range(fat_sectors)] + [FREE] * (109 - fat_sectors)))
    open(path, "wb").write(bytes(header) + body)


def new_lesson(desktop, pages):
    doc = desktop.loadComponentFromURL("private:factory/simpress", "_blank", 0,
                                       (prop("Hidden", True),))
    while doc.DrawPages.Count < pages:
        doc.DrawPages.insertNewByIndex(doc.DrawPages.Count)
    return doc


def answers(doc, page, question, choices, program, correct, y=3000):
    for i, choice in enumerate(choices):
        letter = "ABCD"[i]
        shape(doc, page, "%s) %s" % (letter, choice), 2000, y + 1500 * i, PROGRAM,
              "%s -Q=%s %s %d" % (program, question, letter, 1 if i == correct else 0))


def make_answers(context, desktop, out):
    """As good.ppt, written by LibreOffice: answers by a plain and a quoted path, a group of them,
    jumps, a hidden slide, a master Next, a Finish, and beside it answers by file URLs."""
    doc = new_lesson(desktop, 5)
    pages = doc.DrawPages
    shape(doc, pages[0], "Welcome", 2000, 1000)
    shape(doc, pages[0], "Start", 2000, 3000, NEXTPAGE)
    shape(doc, pages[1], "Question 1: 1 + 3?", 2000, 1000)
    answers(doc, pages[1], "Q1", ["1", "2", "3", "4"], PLAIN, 3)
    pages[2].Visible = False
    shape(doc, pages[2], "#quelmar pass-mark 60", 2000, 1000)
    shape(doc, pages[3], "Question 2: the sky?", 2000, 1000)
    answers(doc, pages[3], "Q2", ["Green", "Blue", "Red", "Yellow"], QUOTED, 1)
    group = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.drawing.ShapeCollection", context)
    for i in range(4):
        group.add(pages[3].getByIndex(1 + i))
    pages[3].group(group)
    shape(doc, pages[4], "Finish", 2000, 1000, PROGRAM, PLAIN + " -S=P -G=90")
    shape(doc, pages[4], "Back", 2000, 3000, PREVPAGE)
    shape(doc, pages[4], "Again", 2000, 4500, FIRSTPAGE)
    shape(doc, pages[4], "Last", 2000, 6000, LASTPAGE)
    shape(doc, pages[4], "End show", 2000, 7500, STOPPRESENTATION)
    # LibreOffice's own form of a program: a file URL, which its export keeps.
    for i, bookmark in enumerate(["file:///C:/CBT/tarnskov.exe",
                                  "file:///C:/CBT/tarnskov.exe%20-Q=Q3%20B%201",
                                  "file:///C:/CBT/tarnskov.exe -Q=Q3 C 0"]):
        shape(doc, pages[4], "ABC"[i] + ") URL", 14000, 3000 + 1500 * i, PROGRAM, bookmark)
    shape(doc, doc.MasterPages[0], "Next", 20000, 12000, NEXTPAGE, w=4000)
    save(doc, os.path.join(out, "lo-answers.ppt"))


def resave(desktop, source, out):
    doc = desktop.loadComponentFromURL(url(source), "_blank", 0, (prop("Hidden", True),))
    save(doc, out)


def no_thumbnail(context):
    """The document's preview picture would make each file half a megabyte."""
    config = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", context)
    access = config.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationUpdateAccess",
        (prop("nodepath", "/org.openoffice.Office.Common/Save/Document"),))
    access.GenerateThumbnail = False
    access.commitChanges()


def main():
    pipe, out, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
    context = connect(pipe)
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop",
                                                               context)
    no_thumbnail(context)
    make_answers(context, desktop, out)
    for source in sources:
        resave(desktop, source, os.path.join(out, "lo-" + os.path.basename(source)))
    desktop.terminate()


main()
