#!/usr/bin/env python3
"""Checks the built tavrin.exe: its resources against what the program's
windows, menu and keys must be (read straight from the PE file, so whatever
windres made of the script is what gets checked), the DLLs it imports (only
Windows' own) and the zip that ships it.

Usage: check_exe.py TAVRIN_EXE ABOUT_TXT --menu-table JSON [--target win32|win64]
                    [--zip ZIP HELP_PAGE README]"""
import argparse
import json
import struct
import sys
import zipfile

ITALIAN = 0x0410
RT_ICON, RT_BITMAP, RT_MENU, RT_DIALOG, RT_RCDATA, RT_ACCELERATOR = 3, 2, 4, 5, 10, 9
RT_GROUP_ICON, RT_VERSION = 14, 16

WS_CHILD, WS_VISIBLE, WS_DISABLED = 0x40000000, 0x10000000, 0x08000000
WS_POPUP, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x00C00000, 0x00080000
WS_MINIMIZEBOX, WS_BORDER, WS_VSCROLL = 0x00020000, 0x00800000, 0x00200000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME, DS_CENTER = 0x40, 0x80, 0x800
WS_EX_STATICEDGE = 0x00020000
TBS_AUTOTICKS = 0x1
SS_LEFT, SS_CENTER, SS_RIGHT, SS_BITMAP, SS_ENHMETAFILE = 0, 1, 2, 0xE, 0xF
SS_NOTIFY, SS_SUNKEN, SS_PATHELLIPSIS = 0x100, 0x1000, 0x8000
ES_MULTILINE, ES_UPPERCASE, ES_AUTOVSCROLL, ES_AUTOHSCROLL = 0x4, 0x8, 0x40, 0x80
ES_READONLY, ES_WANTRETURN, ES_NUMBER = 0x800, 0x1000, 0x2000
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_CHECKBOX, BS_AUTOCHECKBOX, BS_GROUPBOX = 0, 1, 2, 3, 7
CBS_SIMPLE, CBS_DROPDOWNLIST = 1, 3
LBS_NOTIFY, LBS_NOINTEGRALHEIGHT = 0x1, 0x100
BUTTON, EDIT, STATIC, LISTBOX, COMBOBOX = 0x80, 0x81, 0x82, 0x83, 0x85
MF_GRAYED, MF_POPUP, MF_END = 0x1, 0x10, 0x80
FVIRTKEY, FCONTROL = 0x1, 0x8

# The two programs that ship: machine type and optional-header format.
PE_MAGIC = {0x10B: "PE32", 0x20B: "PE32+"}
TARGETS = {"win32": (0x14C, "PE32"), "win64": (0x8664, "PE32+")}

# resources/resource.h's ids.
IDI_TAVRIN, IDB_BANNER, IDB_LOGO, IDM_MAIN, IDR_ABOUT_TEXT, IDA_MAIN = 100, 400, 401, 500, 600, 700
IDD_MAIN, IDD_ABOUT, IDD_SELECT_CLUT, IDD_CLUT_PARAMS = 1000, 1001, 1002, 1003
IDD_FIND_CLUT, IDD_CHOOSE_FROM_LIST, IDD_ADJUST_COLORS = 1004, 1005, 1006
DIALOG_NAMES = {IDD_MAIN: "IDD_MAIN", IDD_ABOUT: "IDD_ABOUT", IDD_SELECT_CLUT: "IDD_SELECT_CLUT",
                IDD_CLUT_PARAMS: "IDD_CLUT_PARAMS", IDD_FIND_CLUT: "IDD_FIND_CLUT",
                IDD_CHOOSE_FROM_LIST: "IDD_CHOOSE_FROM_LIST",
                IDD_ADJUST_COLORS: "IDD_ADJUST_COLORS"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.machine = struct.unpack_from("<H", data, pe + 4)[0]
        magic = struct.unpack_from("<H", data, optional)[0]
        assert magic in PE_MAGIC, "not a PE32 or PE32+ file"
        self.format = PE_MAGIC[magic]
        # PE32+ widens the image base and stack fields: its data directories start 16 bytes later.
        directories = optional + (96 if magic == 0x10B else 112)
        rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.imports_rva = struct.unpack_from("<I", data, directories + 1 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr))
        self.rsrc = self.offset(rsrc_rva) if rsrc_rva else None

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("rva outside the sections")

    def imported_dlls(self):
        names = []
        at = self.offset(self.imports_rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, at + 12)[0]
            if name_rva == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode())
            at += 20

    def directory(self, at):
        """Entries of one resource directory: (name or id, is_directory, offset)."""
        named, ids = struct.unpack_from("<HH", self.data, self.rsrc + at + 12)
        entries = []
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, self.rsrc + at + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", self.data, self.rsrc + (name & 0x7FFFFFFF))[0]
                start = self.rsrc + (name & 0x7FFFFFFF) + 2
                name = self.data[start:start + 2 * length].decode("utf-16-le")
            entries.append((name, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return entries

    def resources(self):
        """{(type, id): {language: bytes}}"""
        found = {}
        if self.rsrc is None:
            return found
        for rtype, _, type_at in self.directory(0):
            for rid, _, id_at in self.directory(type_at):
                for lang, _, data_at in self.directory(id_at):
                    rva, size = struct.unpack_from("<II", self.data, self.rsrc + data_at)
                    start = self.offset(rva)
                    found.setdefault((rtype, rid), {})[lang] = self.data[start:start + size]
        return found


class Reader:
    def __init__(self, data, at=0):
        self.data, self.at = data, at

    def u16(self):
        value = struct.unpack_from("<H", self.data, self.at)[0]
        self.at += 2
        return value

    def i16(self):
        value = struct.unpack_from("<h", self.data, self.at)[0]
        self.at += 2
        return value

    def u32(self):
        value = struct.unpack_from("<I", self.data, self.at)[0]
        self.at += 4
        return value

    def wstring(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        text = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return text

    def sz_or_ord(self):
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            self.at += 2
            return self.u16()
        return self.wstring()

    def align(self, n=4):
        self.at = (self.at + n - 1) // n * n


def parse_dialog(data):
    r = Reader(data)
    assert r.u32() != 0xFFFF0001, "expected a classic DLGTEMPLATE"
    r.at = 0
    style, exstyle, count = r.u32(), r.u32(), r.u16()
    rect = (r.i16(), r.i16(), r.i16(), r.i16())
    dialog = {"style": style, "exstyle": exstyle, "rect": rect, "menu": r.sz_or_ord(),
              "class": r.sz_or_ord(), "caption": r.wstring()}
    if style & DS_SETFONT:
        dialog["font"] = (r.u16(), r.wstring())
    items = []
    for _ in range(count):
        r.align()
        item_style, item_exstyle = r.u32(), r.u32()
        item_rect = (r.i16(), r.i16(), r.i16(), r.i16())
        item_id = r.i16()
        item_class = r.sz_or_ord()
        if isinstance(item_class, str):
            item_class = {"button": BUTTON, "edit": EDIT, "static": STATIC, "listbox": LISTBOX,
                          "combobox": COMBOBOX}.get(item_class.lower(), item_class.lower())
        title = r.sz_or_ord()
        extra = r.u16()
        r.at += extra
        items.append((item_id, item_class, title, item_style, item_exstyle, item_rect))
    dialog["items"] = items
    return dialog


def parse_menu(data):
    r = Reader(data)
    assert r.u16() == 0 and r.u16() == 0, "expected a classic MENU template"

    def items():
        result = []
        while True:
            flags = r.u16()
            if flags & MF_POPUP:
                text = r.wstring()
                result.append(("popup", text, flags & ~(MF_POPUP | MF_END), items()))
            else:
                item_id = r.u16()
                text = r.wstring()
                result.append(("item", item_id, text, flags & ~MF_END))
            if flags & MF_END:
                return result

    return items()


def parse_version_strings(data):
    """The StringFileInfo block's tables: {table key: {name: value}}."""
    def node(at):
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        r = Reader(data, at + 6)
        key = r.wstring()
        r.align()
        value_start = r.at
        value_size = value_length * (2 if kind == 1 else 1)
        children_at = (value_start + value_size + 3) // 4 * 4
        children = []
        while children_at < at + length:
            child = node(children_at)
            children.append(child)
            children_at = (children_at + child["length"] + 3) // 4 * 4
        value = data[value_start:value_start + value_size]
        return {"length": length, "key": key, "kind": kind, "value": value, "children": children}

    root = node(0)
    tables = {}
    fixed = struct.unpack_from("<13I", root["value"])
    for block in root["children"]:
        if block["key"] == "StringFileInfo":
            for table in block["children"]:
                tables[table["key"]] = {
                    s["key"]: s["value"].decode("utf-16-le").rstrip("\0") for s in table["children"]}
    return fixed, tables


def parsed(what, parse, data):
    """parse(data), or None with a failure recorded when data is missing or broken."""
    try:
        return parse(data)
    except (AssertionError, IndexError, ValueError, struct.error) as error:
        check(False, f"{what} cannot be read ({error or 'missing'})")
        return None


def control(item_id, item_class, title, style, rect, exstyle=0):
    return (item_id, item_class, title, style | WS_CHILD | WS_VISIBLE, exstyle, rect)


def expected_dialogs():
    edit_field = WS_DISABLED | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL
    slider = WS_DISABLED | WS_TABSTOP | TBS_AUTOTICKS
    trackbar = "msctls_trackbar32"
    number_field = ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP
    list_box = LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP
    return {
        IDD_MAIN: {
            "style": WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER | DS_MODALFRAME | DS_SETFONT,
            "exstyle": WS_EX_STATICEDGE, "rect": (0, 0, 266, 341), "menu": IDM_MAIN, "class": "Tavrin",
            "caption": "Tavrin", "font": (8, "MS Sans Serif"),
            "items": [
                control(300, trackbar, "SliderRed", slider, (33, 242, 100, 12)),
                control(301, trackbar, "SliderGreen", slider, (33, 256, 100, 12)),
                control(302, trackbar, "SliderBlue", slider, (33, 270, 100, 12)),
                control(0, STATIC, "Red", WS_GROUP | SS_LEFT, (7, 244, 14, 8)),
                control(0, STATIC, "Green", WS_GROUP | SS_LEFT, (7, 258, 20, 8)),
                control(0, STATIC, "Blue", WS_GROUP | SS_LEFT, (7, 272, 15, 8)),
                control(305, EDIT, "0", edit_field, (140, 244, 22, 12)),
                control(306, EDIT, "0", edit_field, (140, 258, 22, 12)),
                control(307, EDIT, "0", edit_field, (140, 272, 22, 12)),
                control(303, STATIC, "", SS_ENHMETAFILE | SS_NOTIFY, (170, 261, 44, 23)),
                control(304, STATIC, "", SS_ENHMETAFILE | SS_NOTIFY, (214, 261, 44, 23)),
                control(308, STATIC, IDB_BANNER, SS_BITMAP | SS_SUNKEN, (7, 304, 249, 31)),
                control(314, BUTTON, "Semi-transparent (bit 15)",
                        BS_CHECKBOX | WS_DISABLED | WS_TABSTOP, (140, 288, 118, 10)),
                control(0, STATIC, "Hex color value", WS_GROUP | SS_RIGHT, (170, 244, 50, 8)),
                control(311, EDIT, "0000",
                        WS_DISABLED | WS_BORDER | WS_TABSTOP | ES_UPPERCASE | ES_AUTOHSCROLL,
                        (226, 244, 32, 12)),
            ],
        },
        IDD_ABOUT: {
            "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT,
            "exstyle": 0, "rect": (0, 0, 168, 189), "menu": "", "class": "", "caption": "About...",
            "font": (8, "MS Sans Serif"),
            "items": [
                control(1, BUTTON, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (58, 168, 50, 14)),
                control(0, STATIC, IDB_LOGO, SS_BITMAP | SS_SUNKEN, (24, 7, 119, 27)),
                control(-1, STATIC, "Tavrin\r\nKickvale 2000 CLUT Editor", SS_CENTER | WS_GROUP,
                        (7, 40, 154, 48)),
                control(309, EDIT, "", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN
                        | WS_VSCROLL | WS_BORDER | WS_TABSTOP, (7, 71, 154, 90)),
            ],
        },
        IDD_SELECT_CLUT: {
            "style": WS_POPUP | WS_CAPTION | DS_CENTER | DS_MODALFRAME | DS_SETFONT,
            "exstyle": 0, "rect": (0, 0, 200, 154), "menu": "", "class": "",
            "caption": "Select CLUT to modify", "font": (8, "MS Sans Serif"),
            "items": [
                control(1, BUTTON, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (72, 133, 50, 14)),
                control(-1, BUTTON, "CLUTs", BS_GROUPBOX, (18, 18, 160, 89)),
                control(310, COMBOBOX, "", CBS_SIMPLE | WS_VSCROLL | WS_TABSTOP, (29, 33, 136, 57)),
            ],
        },
        IDD_CLUT_PARAMS: {
            "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT,
            "exstyle": 0, "rect": (0, 0, 148, 86), "menu": "", "class": "",
            "caption": "CLUT parameters", "font": (8, "MS Sans Serif"),
            "items": [
                control(312, EDIT, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, (68, 7, 73, 14)),
                control(313, EDIT, "", ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
                        (68, 43, 73, 14)),
                control(1, BUTTON, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (16, 64, 50, 15)),
                control(2, BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, (82, 64, 50, 15)),
                control(-1, STATIC, "Offset", SS_LEFT, (7, 10, 20, 8)),
                control(-1, STATIC, "Number of colors", SS_LEFT, (7, 46, 54, 8)),
                control(-1, STATIC, "To use hex address write 0x????", SS_LEFT, (7, 25, 105, 8)),
            ],
        },
        IDD_FIND_CLUT: {
            "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
            "exstyle": 0, "rect": (0, 0, 280, 250), "menu": "", "class": "",
            "caption": "Find CLUT in file", "font": (8, "MS Sans Serif"),
            "items": [
                control(320, STATIC, "", SS_LEFT | SS_PATHELLIPSIS, (7, 7, 266, 9)),
                control(-1, STATIC, "&Look for:", SS_LEFT, (7, 22, 60, 9)),
                control(321, COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                        (90, 20, 183, 80)),
                control(322, BUTTON, "&Ignore bit 15", BS_AUTOCHECKBOX | WS_TABSTOP,
                        (90, 36, 120, 10)),
                control(-1, STATIC, "&Tolerance (0 to 31):", SS_LEFT, (7, 52, 80, 9)),
                control(323, EDIT, "0", number_field, (90, 50, 40, 12)),
                control(-1, STATIC, "&Alignment:", SS_LEFT, (7, 68, 80, 9)),
                control(324, COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                        (90, 66, 80, 50)),
                control(-1, STATIC, "&Minimum matching:", SS_LEFT, (7, 84, 82, 9)),
                control(325, EDIT, "0", number_field, (90, 82, 40, 12)),
                control(-1, STATIC, "(0: every color)", SS_LEFT, (134, 84, 120, 9)),
                control(326, LISTBOX, "", list_box | LBS_NOINTEGRALHEIGHT, (7, 100, 266, 92)),
                control(327, "msctls_progress32", "", 0, (7, 196, 266, 10)),
                control(328, STATIC, "Double-click a hit to load its CLUT.", SS_LEFT,
                        (7, 210, 266, 9)),
                control(329, BUTTON, "&Find", BS_DEFPUSHBUTTON | WS_TABSTOP, (115, 229, 50, 14)),
                control(330, BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED,
                        (169, 229, 50, 14)),
                control(2, BUTTON, "Close", BS_PUSHBUTTON | WS_TABSTOP, (223, 229, 50, 14)),
            ],
        },
        # Title and prompt are set as it opens; no FONT, so the system font.
        IDD_CHOOSE_FROM_LIST: {
            "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
            "exstyle": 0, "rect": (0, 0, 240, 160), "menu": "", "class": "", "caption": "",
            "items": [
                control(340, STATIC, "", SS_LEFT, (7, 7, 226, 10)),
                control(342, EDIT, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, (7, 20, 226, 12)),
                control(341, LISTBOX, "", list_box | LBS_NOINTEGRALHEIGHT, (7, 36, 226, 98)),
                control(1, BUTTON, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (129, 140, 50, 14)),
                control(2, BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, (183, 140, 50, 14)),
            ],
        },
        # The trackbars' ranges are set as it opens.
        IDD_ADJUST_COLORS: {
            "style": WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
            "exstyle": 0, "rect": (0, 0, 220, 101), "menu": "", "class": "",
            "caption": "Adjust colors", "font": (8, "MS Sans Serif"),
            "items": [
                item
                for row, (label, slider_id, field_id) in enumerate(
                    [("&Hue", 350, 353), ("&Saturation", 351, 354), ("&Lightness", 352, 355)])
                for item in (
                    control(-1, STATIC, label, SS_LEFT, (7, 10 + 20 * row, 40, 8)),
                    control(slider_id, trackbar, "", WS_TABSTOP, (50, 7 + 20 * row, 120, 15)),
                    control(field_id, EDIT, "0", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
                            (176, 8 + 20 * row, 37, 12)))
            ] + [
                control(356, BUTTON, "&Colorize", BS_AUTOCHECKBOX | WS_TABSTOP, (50, 66, 120, 10)),
                control(1, BUTTON, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (106, 80, 50, 14)),
                control(2, BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, (163, 80, 50, 14)),
            ],
        },
    }


def tupled(value):
    """JSON lists as the tuples parse_menu builds; the innermost item lists stay lists."""
    if isinstance(value, list) and value and value[0] in ("popup", "item"):
        return tuple(tupled(v) if isinstance(v, list) else v for v in value)
    if isinstance(value, list):
        return [tupled(v) for v in value]
    return value


def expected_menu(table):
    return tupled(table["menu"])


def expected_accelerators(table):
    return [tuple(entry) for entry in table["accelerators"]]


def bitmap_size(data):
    _, width, height, _, bits = struct.unpack_from("<IiiHH", data, 0)
    return width, abs(height), bits


# What every Windows since XP has in system32: nothing else may be needed.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll", "ole32.dll"}


def check_package(zip_path, exe_bytes, help_path, readme_path):
    expected = {"tavrin.exe": exe_bytes}
    for name, path in (("help/tavrin.html", help_path), ("README.txt", readme_path)):
        with open(path, "rb") as f:
            expected[name] = f.read()
    with zipfile.ZipFile(zip_path) as package:
        names = sorted(package.namelist())
        check(names == sorted(expected), f"the zip holds {names}")
        for name, content in expected.items():
            if name in names:
                check(package.read(name) == content, f"the zip's {name} is not the one built")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("about_text")
    parser.add_argument("--zip", nargs=3, metavar=("ZIP", "HELP_PAGE", "README"))
    parser.add_argument("--target", choices=sorted(TARGETS), default="win32",
                        help="the Windows the program was built for")
    parser.add_argument("--menu-table", required=True,
                        help="the core's menu and shortcut table as JSON (tavrin_menu_table_json)")
    args = parser.parse_args()
    exe_path = args.exe
    with open(exe_path, "rb") as f:
        exe_bytes = f.read()
    pe = Pe(exe_bytes)
    resources = pe.resources()
    with open(args.about_text, "rb") as f:
        about_text = f.read()
    with open(args.menu_table, encoding="utf-8") as f:
        menu_table = json.load(f)

    machine, pe_format = TARGETS[args.target]
    check((pe.machine, pe.format) == (machine, pe_format),
          f"built for machine {pe.machine:#x} ({pe.format}), not {args.target}")
    dlls = pe.imported_dlls()
    foreign = [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS]
    check(not foreign, f"imports DLLs that Windows does not have: {foreign}")
    if args.zip:
        check_package(args.zip[0], exe_bytes, args.zip[1], args.zip[2])

    # Everything is stored once, under the Italian language id.
    for key, languages in sorted(resources.items(), key=str):
        check(list(languages) == [ITALIAN], f"resource {key} has languages {list(languages)}")
    named = {key for key in resources if key[0] != RT_ICON}
    check(named == {*((RT_DIALOG, dialog_id) for dialog_id in expected_dialogs()),
                    (RT_MENU, IDM_MAIN), (RT_ACCELERATOR, IDA_MAIN), (RT_GROUP_ICON, IDI_TAVRIN),
                    (RT_BITMAP, IDB_BANNER), (RT_BITMAP, IDB_LOGO), (RT_RCDATA, IDR_ABOUT_TEXT),
                    (RT_VERSION, 1)},
          f"unexpected set of resources: {sorted(named, key=str)}")

    def resource(rtype, rid):
        return resources.get((rtype, rid), {}).get(ITALIAN, b"")

    for dialog_id, expected in expected_dialogs().items():
        name = DIALOG_NAMES[dialog_id]
        actual = parsed(name, parse_dialog, resource(RT_DIALOG, dialog_id))
        if actual is None:
            continue
        # windres upper-cases a template's class name; window classes are
        # looked up without regard to case, so "TAVRIN" finds "Tavrin".
        check(str(actual["class"]).lower() == expected["class"].lower(),
              f"{name} class: {actual['class']!r} != {expected['class']!r}")
        for field in ("style", "exstyle", "rect", "menu", "caption", "font"):
            check(actual.get(field) == expected.get(field),
                  f"{name} {field}: {actual.get(field)!r} != {expected.get(field)!r}")
        check(len(actual["items"]) == len(expected["items"]),
              f"{name} has {len(actual['items'])} controls")
        for n, (got, want) in enumerate(zip(actual["items"], expected["items"])):
            check(got == want, f"{name} control {n}: {got!r} != {want!r}")

    check(parsed("IDM_MAIN", parse_menu, resource(RT_MENU, IDM_MAIN)) == expected_menu(menu_table),
          "menu IDM_MAIN differs")

    table = resource(RT_ACCELERATOR, IDA_MAIN)
    entries = [struct.unpack_from("<HHHH", table, 8 * i) for i in range(len(table) // 8)]
    check(len(entries) == len(menu_table["accelerators"]), f"{len(entries)} accelerators")
    check(bool(entries) and entries[-1][0] & 0x80 and all(not e[0] & 0x80 for e in entries[:-1]),
          "only the last accelerator may carry the end mark")
    check([(flags & 0x7F, key, command) for flags, key, command, _ in entries]
          == expected_accelerators(menu_table), f"accelerators differ: {entries}")

    check(resource(RT_RCDATA, IDR_ABOUT_TEXT) == about_text,
          "About text IDR_ABOUT_TEXT is not exactly resources/about.txt (no terminating zero)")

    group = resource(RT_GROUP_ICON, IDI_TAVRIN)
    count = struct.unpack_from("<H", group, 4)[0] if len(group) >= 6 else 0
    sizes = set()
    for i in range(count):
        width, height = group[6 + 14 * i], group[6 + 14 * i + 1]
        icon_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
        check((RT_ICON, icon_id) in resources, f"icon image {icon_id} missing")
        sizes.add((width or 256, height or 256))
    check({(16, 16), (32, 32)} <= sizes, f"icon IDI_TAVRIN has images {sorted(sizes)}")

    check(parsed("IDB_BANNER", bitmap_size, resource(RT_BITMAP, IDB_BANNER)) == (374, 50, 8),
          "banner IDB_BANNER is not 374 x 50 x 8")
    check(parsed("IDB_LOGO", bitmap_size, resource(RT_BITMAP, IDB_LOGO)) == (177, 42, 8),
          "logo IDB_LOGO is not 177 x 42 x 8")

    fixed, tables = parsed("version", parse_version_strings, resource(RT_VERSION, 1)) or ([0] * 13, {})
    check(fixed[0] == 0xFEEF04BD and (fixed[2], fixed[3]) == (0x00010000, 0),
          "file version is not 1.0.0.0")
    check(tables == {"000004b0": {
        "FileDescription": "Kickvale CLUT Editor", "FileVersion": "1.0", "InternalName": "Tavrin",
        "OriginalFilename": "tavrin.exe", "ProductName": "Tavrin 1.0"}},
        f"version strings differ: {tables}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"{exe_path} (imports {', '.join(dlls)}): "
          f"{'ok' if not failures else f'{len(failures)} failures'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
