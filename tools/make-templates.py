#!/usr/bin/env python3
"""Builds the report templates in data/sources from their XML parts in
data/templates (see data/templates/README.md). The output is reproducible:
entries in a fixed order with a fixed time stamp."""
import pathlib
import sys
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCES = ROOT / "data" / "templates"
OUTPUT = ROOT / "data" / "sources"

# output file name -> folders whose parts it holds (later folders win)
TEMPLATES = {
    "look.doc": ["docx-common", "look"],
    "Glook.doc": ["docx-common", "Glook"],
    "look.xls": ["look-xls"],
}


def parts_of(folders):
    parts = {}
    for folder in folders:
        base = SOURCES / folder
        for path in base.rglob("*"):
            if path.is_file():
                parts[path.relative_to(base).as_posix()] = path.read_bytes()
    # The content types part comes first, as Office writes it.
    return sorted(parts.items(), key=lambda item: (item[0] != "[Content_Types].xml", item[0]))


def build(name, folders, output):
    target = output / name
    with zipfile.ZipFile(target, "w") as archive:
        for part, data in parts_of(folders):
            info = zipfile.ZipInfo(part, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data, compresslevel=9)
    return target


def main():
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else OUTPUT
    output.mkdir(parents=True, exist_ok=True)
    for name, folders in TEMPLATES.items():
        print(build(name, folders, output))


if __name__ == "__main__":
    main()
