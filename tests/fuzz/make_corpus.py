#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (tests/fuzz/corpus/<target>/).

Each seed is one meaningful case in the input layout the target decodes (described at the
top of PlayerAnnotFuzz.cpp and SceneFileNameFuzz.cpp). Inputs found by fuzzing are added
to the corpus as files of their own and are not written here.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def u16(value):
    return struct.pack("<H", value & 0xFFFF)


def i32(value):
    return struct.pack("<i", value)


def fixed(points):
    return int(points * 65536)


# --- fuzz_player_annot ------------------------------------------------------------------

NAME, STRING, INTEGER, REAL, MISSING = 0, 2, 3, 4, 5
NO_FILTER, FLATE, FLATE_RAW, UNKNOWN_FILTER, FILTER_ARRAY, FILTER_NUMBER = range(6)
DRAW, CLICK, SELECT, DESELECT, KEY, UNDO, REDO, VIEW, CURSOR = range(9)
KEY_DELETE, KEY_BACKSPACE, KEY_A, KEY_SPACE, KEY_PERIOD, KEY_DELETE_MODIFIED = range(6)
CANCEL, SCENE, MISSING_FILE, FOLDER, LONG_PATH, NOTHING_QUEUED = range(6)


PLANTED_LINK, PLANTED_FOLDER, PLANTED_FILE = range(3)


def header(cp932=False, two_pages=False, no_temp_folder=False, planted=None,
           no_window=False, zoom=0, scroll=(0, 0), aperture=None):
    """planted: (name, kind) of an entry put into the temporary folder first."""
    flags = ((1 if cp932 else 0) | (2 if two_pages else 0) | (4 if no_temp_folder else 0) |
             (8 if planted else 0) | (16 if no_window else 0))
    out = bytes([flags])
    if planted:
        out += bytes([len(planted[0])]) + planted[0] + bytes([planted[1]])
    out += bytes([zoom]) + u16(scroll[0]) + u16(scroll[1])
    if aperture is None:
        return out + b"\x00"
    return out + b"\x01" + b"".join(i32(v) for v in aperture)


def name_like(kind, text):
    return bytes([kind]) + u16(len(text)) + text


def scene(filename=b"valve", subtype=b"GEOM", data=b"scene data", filter_=NO_FILTER,
          filename_kind=NAME, subtype_kind=NAME):
    return (bytes([1]) + name_like(filename_kind, filename) + name_like(subtype_kind, subtype) +
            bytes([filter_]) + u16(len(data)) + data)


def annot(rect=(100, 300, 300, 100), raw_rect=None, other_subtype=False, second_page=False,
          rect_how=0, rect_numbers=b"", state=0, state_name=b"", ap=0, scene_entry=None):
    """rect: left, top, right, bottom in points; scene_entry: bytes of scene() or a
    one-byte kind (0 none, 5 integer, 6 dictionary, 7 the previous scene)."""
    kind = (3 if other_subtype else 0) | (0x80 if second_page else 0)
    values = raw_rect if raw_rect is not None else [fixed(v) for v in rect]
    out = bytes([kind]) + b"".join(i32(v) for v in values)
    out += bytes([rect_how]) + rect_numbers
    out += bytes([state]) + (bytes([len(state_name)]) + state_name if state == 1 else b"")
    out += bytes([ap])
    out += scene_entry if scene_entry is not None else scene()
    return out


def player_input(annots, events=b"", **head):
    return header(**head) + bytes([len(annots) - 1]) + b"".join(annots) + events


def click(index=0, count_choice=0):
    return bytes([CLICK, index, count_choice])


def key(index, which):
    return bytes([KEY, index, which])


def undo_scene(name, data):
    return bytes([UNDO, SCENE, len(name)]) + name + u16(len(data)) + data


def undo(answer):
    return bytes([UNDO, answer]) + (u16(300) if answer == LONG_PATH else b"")


ROADS = (bytes([DRAW]) + click(0) + bytes([SELECT, 0, DESELECT, 0]) + key(0, KEY_A) +
         key(0, KEY_DELETE) + undo_scene(b"engine.rev.mvn", b"new scene data") + click(0) +
         bytes([REDO]) + undo(CANCEL) + bytes([REDO, DRAW]))

PLAYER_SEEDS = {
    # One valid player and no events: the default tour of every road.
    "valid-player-tour": player_input([annot()]),
    "valid-player-roads": player_input([annot()], ROADS),
    "missing-scene": player_input([annot(scene_entry=b"\x00")], bytes([DRAW]) + click(0)),
    "scene-not-a-stream": player_input(
        [annot(scene_entry=b"\x05"), annot(rect=(320, 700, 500, 500), scene_entry=b"\x06")],
        click(0) + click(1)),
    "names-not-names": player_input([
        annot(scene_entry=scene(filename_kind=STRING)),
        annot(rect=(320, 700, 500, 500), scene_entry=scene(subtype_kind=INTEGER)),
        annot(rect=(100, 700, 300, 500), scene_entry=scene(filename_kind=MISSING)),
        annot(rect=(320, 300, 500, 100), scene_entry=scene(subtype_kind=REAL)),
    ], click(0) + click(1) + click(2) + click(3)),
    "hostile-names": player_input([
        annot(scene_entry=scene(b"../../escaped", b"/../../x")),
        annot(rect=(320, 700, 500, 500), scene_entry=scene(b"NUL", b"geom")),
        annot(rect=(100, 700, 300, 500), scene_entry=scene(b"C:\\boot", b"ini")),
        annot(rect=(320, 300, 500, 100), scene_entry=scene(b"a\x01<b>|*?. . ", b"MVN. ")),
    ], click(0) + click(1) + click(2) + click(3) + bytes([DRAW])),
    "cp932-names": player_input([
        annot(scene_entry=scene(b"\x95\x5C\x8E\xA6", b"GEOM")),
        annot(rect=(320, 700, 500, 500), scene_entry=scene(b"abc\x81", b"\x81.")),
    ], click(0) + click(1), cp932=True),
    "long-names": player_input([annot(scene_entry=scene(b"n" * 600, b"E" * 600))], click(0)),
    "flate-valid": player_input([annot(scene_entry=scene(data=b"\x00\x01" * 3000,
                                                         filter_=FLATE))], click(0)),
    "flate-corrupt": player_input([annot(scene_entry=scene(data=b"this is not deflate data",
                                                           filter_=FLATE_RAW))],
                                  click(0) + bytes([DRAW])),
    "filters-unknown": player_input([
        annot(scene_entry=scene(filter_=UNKNOWN_FILTER)),
        annot(rect=(320, 700, 500, 500), scene_entry=scene(filter_=FILTER_ARRAY)),
        annot(rect=(100, 700, 300, 500), scene_entry=scene(filter_=FILTER_NUMBER)),
    ], click(0) + click(1) + click(2)),
    # A scene of several copy buffers, padded by the target after the input ends.
    "large-scene-tour": player_input([annot(scene_entry=bytes([1]) + name_like(NAME, b"big") +
                                            name_like(NAME, b"MVN") + bytes([0]) + u16(20000))]),
    "shared-scene": player_input(
        [annot(), annot(rect=(320, 700, 500, 500), scene_entry=b"\x07")],
        click(0) + click(1) + bytes([DRAW])),
    "key-delete-undo-cancel": player_input(
        [annot()], click(0) + key(0, KEY_DELETE) + bytes([DRAW]) + undo(CANCEL) +
        bytes([REDO]) + undo_scene(b"again.geom", b"x" * 100) + bytes([REDO, DRAW])),
    "keys-not-deleting": player_input(
        [annot()], click(0) + key(0, KEY_A) + key(0, KEY_SPACE) + key(0, KEY_PERIOD) +
        key(0, KEY_DELETE_MODIFIED) + key(0, KEY_BACKSPACE) + bytes([DRAW])),
    "undo-bad-answers": player_input(
        [annot(), annot(rect=(320, 700, 500, 500))],
        key(0, KEY_DELETE) + undo(MISSING_FILE) + bytes([REDO]) + undo(FOLDER) +
        bytes([REDO]) + undo(LONG_PATH) + bytes([REDO]) + undo(NOTHING_QUEUED) + click(0)),
    "undo-redo-rounds": player_input(
        [annot()], key(0, KEY_DELETE) + undo_scene(b"a.mvn", b"one") + click(0) +
        bytes([REDO]) + undo_scene(b"b.c.D", b"two") + click(0) + bytes([REDO]) +
        undo_scene(b"noext", b"three") + bytes([DRAW])),
    "hostile-rects": player_input([
        annot(raw_rect=[-2**31, 2**31 - 1, 2**31 - 1, -2**31]),
        annot(rect_how=3, rect_numbers=b"".join(i32(v) + bytes([e]) for v, e in
                                                 [(1, 0xFF), (2, 0xFE), (2**31 - 1, 95),
                                                  (-5, 60)])),
        annot(rect_how=4, rect_numbers=(i32(1) + b"\x00") * 3),
        annot(rect_how=6, rect_numbers=(i32(7) + b"\x00") * 3),
    ], click(0) + click(1) + click(2) + click(3) + bytes([DRAW, CURSOR, 0]) +
       key(1, KEY_DELETE) + undo_scene(b"r.mvn", b"r") + bytes([REDO])),
    "degenerate-rect": player_input([annot(rect=(100, 100, 300, 100))],
                                    click(0) + key(0, KEY_DELETE) + undo_scene(b"d.mvn", b"d")),
    "appearances": player_input([
        annot(state=1, state_name=b"On", ap=2),
        annot(rect=(320, 700, 500, 500), state=2, ap=1),
        annot(rect=(100, 700, 300, 500), state=3, ap=3),
        annot(rect=(320, 300, 500, 100), ap=5, other_subtype=True),
    ], bytes([DRAW, SELECT, 0, SELECT, 3, DESELECT, 0]) + click(3)),
    "two-pages-view-changes": player_input(
        [annot(), annot(rect=(320, 700, 500, 500), second_page=True)],
        click(0) + bytes([VIEW, 2, 1, DRAW]) + click(0) + bytes([VIEW, 0]) + u16(40) + u16(0xFFF0) +
        bytes([VIEW, 1, 5, DRAW, VIEW, 2, 0, DRAW]) + key(0, KEY_DELETE) +
        bytes([VIEW, 2, 1]) + undo_scene(b"p.mvn", b"page two") + bytes([DRAW, REDO]),
        two_pages=True),
    "temp-folder-missing": player_input([annot()], click(0) + bytes([DRAW]), no_temp_folder=True),
    "planted-link": player_input([annot(), annot(rect=(320, 700, 500, 500))],
                                 click(0) + click(1), planted=(b"valve.geom", PLANTED_LINK)),
    "planted-folder": player_input([annot()], click(0) + bytes([DRAW]) + click(0),
                                   planted=(b"valve.geom", PLANTED_FOLDER)),
    "planted-file": player_input([annot()], click(0), planted=(b"valve.geom", PLANTED_FILE)),
    "view-without-window": player_input([annot()], click(0) + key(0, KEY_DELETE) +
                                        undo_scene(b"w.mvn", b"w") + click(0) + bytes([REDO]),
                                        no_window=True),
    # The reserved-superscript-digit case of fuzz_scene_file_name on the road of a click.
    "reserved-superscript-name": player_input([annot(scene_entry=scene(b"COM\xb9", b"mvn"))],
                                              click(0)),
    # An aperture wider than 2^31 - 1: the host computes its window's width in 32 bits.
    "hostile-view": player_input([annot()], click(0) + bytes([DRAW]), zoom=5,
                                 scroll=(0x7FFF, 0x8000),
                                 aperture=(-2**31, -2**31, 2**31 - 1, 2**31 - 1)),
}

# --- fuzz_scene_file_name ---------------------------------------------------------------

SLASH, BACKSLASH, COLON, DOT = range(4)


def names_input(base, ext, path=b"", separator=SLASH, cp932=False, name_size=512,
                ext_size=512):
    mode = (1 if cp932 else 0) | (separator << 1)
    return (bytes([mode]) + u16(len(base)) + base + bytes([len(ext)]) + ext + u16(name_size) +
            u16(ext_size) + path)


NAME_SEEDS = {
    "plain": names_input(b"valve", b"geom", b"/data/engine.rev.mvn"),
    "traversal": names_input(b"../../escaped", b"/../x", b"C:\\scenes\\a.b.c", BACKSLASH),
    "reserved": names_input(b"com1.txt", b"", b"/dev/NUL.geom"),
    "reserved-spaced": names_input(b"CONOUT$  ", b"MvN", b"lpt9"),
    "trailing-dots": names_input(b"trailing. . ", b"MVN. ", b"dir/file."),
    "forbidden": names_input(b"a\x01<b>|*?\x7f", b"x:y\"", b"a:b:c.d", COLON),
    "cp932": names_input(b"\x95\x5C\x8E\xA6", b"GEOM", b"C:\\\x95\x5C\\\x95\x5C.mvn",
                         BACKSLASH, cp932=True),
    "cp932-stray-lead": names_input(b"abc\x81", b"\x81", b"x/\x81/y.\x81", cp932=True),
    "long": names_input(b"a" * 300, b"B" * 40, b"/" + b"c" * 700 + b".EXT", name_size=3,
                        ext_size=0),
    "empty": names_input(b"", b"", b""),
    "dot-separator": names_input(b".", b".", b"a.b.c", DOT, name_size=2, ext_size=2),
    # Found by fuzzing: in code page 1252 Windows reads COM and LPT followed by a
    # superscript digit one, two or three as device names; "LPT\xB2" came out unchanged.
    "reserved-superscript-digit": names_input(b"LPT\xb2", b"", b""),
}


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def main():
    write("fuzz_player_annot", PLAYER_SEEDS)
    write("fuzz_scene_file_name", NAME_SEEDS)
    return 0


if __name__ == "__main__":
    sys.exit(main())
