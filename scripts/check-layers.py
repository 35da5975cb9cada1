#!/usr/bin/env python3
"""Checks that includes point one way: between libraries, inside a library's folders, and to Qt.

Exits 1 and names each include that breaks a rule; a folder that no table knows is an error too,
so a new library or folder has to be placed in the layers before it builds.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Library folder -> the library folders it may include (itself always).
LIBRARIES = {
    "platform/core": [],
    "platform/storage": ["platform/core"],
    "platform/media": ["platform/core", "platform/storage"],
    "platform/ui": ["platform/core", "platform/storage", "platform/media"],
    "notabase": ["platform/core", "platform/storage", "platform/media"],
    "wavegate": ["platform/core", "platform/storage", "platform/media"],
    "sequencer": ["platform/core", "platform/storage", "platform/media", "notabase", "wavegate"],
    "interface": ["platform/core", "platform/storage", "platform/media", "platform/ui",
                  "notabase", "wavegate", "sequencer"],
    "rack": ["platform/core", "platform/storage", "platform/media", "platform/ui"],
}
# The tool libraries and the palette stand beside each other over Interface; the program uses
# them all.
TOOLS = ("inspector", "mixer", "preferences", "glyphtray")
for upper in TOOLS:
    LIBRARIES[upper] = ["platform/core", "platform/storage", "platform/media", "platform/ui",
                        "notabase", "wavegate", "sequencer", "interface"]
LIBRARIES["app"] = LIBRARIES["inspector"] + list(TOOLS)

# The program makes the tool windows of the tool libraries.
LIBRARIES["app"] = LIBRARIES["app"] + ["mixer"]

# Libraries whose code may use Qt. platform/core keeps Qt private: its sources use QtCore
# for the settings store, its headers never show it.
QT_LIBRARIES = {"platform/ui", "interface", "app", "inspector", "mixer", "preferences", "glyphtray", "rack"}
QT_PRIVATE = {"platform/core"}

# Inside a library: the rank of each folder. A folder includes only folders of its rank or
# lower. Headers at the library's root (its export macro) may be included from any folder;
# its tests/ folder sits above every folder.
FOLDER_RANKS = {
    # Drawing and timers stand lowest; images and resource modules use drawing; commands and
    # dialogs use resources. The window-procedure layer the rack speaks stands apart, above the
    # event loop and menus it uses.
    "platform/ui": {
        "draw": 0, "timer": 0,
        "image": 1, "resource": 1, "window": 1,
        "command": 2, "dialog": 2, "rackwindow": 2,
    },
    # The Interface's shared services stand lowest; the document core and the controls use
    # them; MIDI files, views and pickers use documents and controls; dialogs use them all.
    "interface": {
        "core": 0,
        "document": 1, "controls": 1,
        "midifile": 2, "views": 2, "pickers": 2,
        "dialogs": 3, "pages": 3,
    },
    # The program: its shared pieces (texts, pictures, command line, hot keys, crash report),
    # then its dialogs, then its windows, then the application; the background and button
    # picture libraries stand apart at the bottom, the template maker beside the windows (it
    # makes staves as the add-staff dialog does).
    "app": {
        "core": 0, "backdrape": 0, "knobset": 0,
        "dialogs": 1,
        "frame": 2, "templates": 2,
        "program": 3,
    },
    "rack": {
        "plinthart": 0,
        "plinthui": 1,
        "outside": 2,
        "rackplayer": 3,
        "program": 4,
    },
    "notabase": {
        "values": 0, "prefs": 0, "layers": 0,
        "lists": 1,
        "model": 2, "data": 2, "plugins": 2, "names": 2,
        "actions": 3, "clipboard": 3,
        "commands": 4, "states": 4, "score": 4,
        "performance": 5,
    },
    # The sequence, its data, its player and its recorders call each other, so they share a
    # rank; values and states stand below them.
    "sequencer": {
        "values": 0, "states": 0,
        "events": 1, "data": 1, "envelopes": 1, "layers": 1, "transport": 1, "play": 1, "record": 1, "score": 1,
        "monitor": 1, "prefetch": 1, "prefs": 1,
        "commands": 1, "actions": 1,
    },
    # The device interfaces and the clock sit at the library's root; the audio engine and the
    # memory devices below the backends that use them.
    "platform/media": {
        "audio": 0, "memory": 0,
        "file": 1, "synth": 1, "alsa": 1,
    },
}

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*([<"])([^">]+)[">]', re.MULTILINE)
QT_HEADER = re.compile(r"^(Q[A-Z]\w*|Qt\w*/)")


def library_of(relative):
    best = None
    for lib in LIBRARIES:
        if relative == lib or relative.startswith(lib + "/"):
            if best is None or len(lib) > len(best):
                best = lib
    return best


def folder_in(lib, relative):
    rest = relative[len(lib) + 1:]
    parts = rest.split("/")
    return parts[0] if len(parts) > 1 else None


def check_file(path, problems):
    relative = path.relative_to(ROOT).as_posix()
    lib = library_of(relative)
    if lib is None:
        return
    text = path.read_text(errors="replace")
    ranks = FOLDER_RANKS.get(lib)
    own_folder = folder_in(lib, relative)
    if ranks is not None and own_folder not in (None, "tests") and own_folder not in ranks:
        problems.append(f"{relative}: folder '{own_folder}' has no place in the layers of {lib}"
                        " (add it to FOLDER_RANKS in scripts/check-layers.py)")
    for match in INCLUDE.finditer(text):
        bracket, target = match.groups()
        line = text.count("\n", 0, match.start()) + 1
        where = f"{relative}:{line}"
        if bracket == "<":
            if QT_HEADER.match(target):
                if lib in QT_LIBRARIES:
                    continue
                if lib in QT_PRIVATE and path.suffix == ".cpp":
                    continue
                problems.append(f"{where}: {lib} must not include Qt ({target})")
            continue
        target_lib = library_of(target)
        if target_lib is None:
            continue
        if target_lib != lib and target_lib not in LIBRARIES[lib]:
            problems.append(f"{where}: {lib} must not include {target}")
            continue
        if target_lib == lib and ranks is not None and own_folder not in (None, "tests"):
            target_folder = folder_in(lib, target)
            if target_folder is None:
                continue
            if target_folder == "tests":
                problems.append(f"{where}: {lib}/{own_folder} must not include {target}")
            elif target_folder in ranks and own_folder in ranks and ranks[target_folder] > ranks[own_folder]:
                problems.append(f"{where}: {lib}/{own_folder} must not include the higher folder {target}")


def main():
    problems = []
    for path in sorted(ROOT.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".hpp", ".cc"):
            continue
        parts = path.relative_to(ROOT).parts
        if parts[0].startswith("build") or parts[0].startswith("."):
            continue
        check_file(path, problems)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check-layers: {len(problems)} include(s) break the layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
