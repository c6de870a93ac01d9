#!/usr/bin/env python3
"""Compares our reading of .doc files with LibreOffice's.

For every .doc given (files or folders), converts it to HTML with LibreOffice
(soffice --convert-to html) and expands every <table> of that page into a grid
of cell texts (colspan repeated across, rowspan carried down, nested tables
left out of their cell's text). Our side is the JSON of doc_tables_dump. The
two lists of grids are compared table by table, with texts compared after
collapsing white space. Not part of the build or of the tests: LibreOffice is
needed only here.

usage: compare_with_libreoffice.py --dump build/tools/doc_tables_dump FILE_OR_DIR...
"""
import argparse
import html.parser
import json
import os
import re
import subprocess
import sys
import tempfile


class TableParser(html.parser.HTMLParser):
    """Collects every table in the order of its start tag."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tables = []  # each: list of rows; row: list of [text, colspan, rowspan]
        self.stack = []   # open tables (indexes into self.tables) with their open cell

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "table":
            self.tables.append([])
            self.stack.append({"table": len(self.tables) - 1, "cell": None})
        elif not self.stack:
            return
        elif tag == "tr":
            self.tables[self.stack[-1]["table"]].append([])
        elif tag in ("td", "th"):
            rows = self.tables[self.stack[-1]["table"]]
            if not rows:
                rows.append([])
            cell = ["", int(attrs.get("colspan") or 1), int(attrs.get("rowspan") or 1)]
            rows[-1].append(cell)
            self.stack[-1]["cell"] = cell
        elif tag in ("p", "br", "div", "h1", "h2", "h3", "h4", "h5", "h6", "li"):
            self.text("\n")

    def handle_endtag(self, tag):
        if tag == "table" and self.stack:
            self.stack.pop()
        elif tag in ("td", "th") and self.stack:
            self.stack[-1]["cell"] = None

    def handle_data(self, data):
        self.text(data)

    def text(self, data):
        if self.stack and self.stack[-1]["cell"] is not None:
            self.stack[-1]["cell"][0] += data


def expand(rows):
    """The grid of a table's rows, spans expanded."""
    grid, pending = [], {}  # pending: column -> (text, rows left)
    for row in rows:
        out, column = [], 0
        cells = list(row)
        while cells or column in pending:
            if column in pending:
                text, left = pending[column]
                out.append(text)
                if left > 1:
                    pending[column] = (text, left - 1)
                else:
                    del pending[column]
                column += 1
                continue
            text, colspan, rowspan = cells.pop(0)
            for _ in range(colspan):
                out.append(text)
                if rowspan > 1:
                    pending[column] = (text, rowspan - 1)
                column += 1
        grid.append(out)
    width = max((len(r) for r in grid), default=0)
    return [r + [""] * (width - len(r)) for r in grid]


def normalize(text):
    return re.sub(r"\s+", " ", text.replace("\u00a0", " ")).strip()


def normalize_grid(grid):
    return [[normalize(c) for c in row] for row in grid]


def libreoffice_tables(html_path):
    with open(html_path, "rb") as f:
        raw = f.read()
    parser = TableParser()
    parser.feed(raw.decode("utf-8", errors="replace"))
    return [normalize_grid(expand(t)) for t in parser.tables]


def our_tables(dump, doc):
    run = subprocess.run([dump, doc], capture_output=True, text=True)
    data = json.loads(run.stdout)
    if "error" in data:
        return data["error"]
    return [normalize_grid(t["rows"]) for t in data["tables"]]


def describe(ours, theirs):
    """The first difference between two lists of grids, or None."""
    if len(ours) != len(theirs):
        return f"{len(ours)} tables here, {len(theirs)} in LibreOffice"
    for i, (a, b) in enumerate(zip(ours, theirs)):
        shape_a = (len(a), max((len(r) for r in a), default=0))
        shape_b = (len(b), max((len(r) for r in b), default=0))
        if shape_a != shape_b:
            return f"table {i + 1}: {shape_a[0]}x{shape_a[1]} here, {shape_b[0]}x{shape_b[1]} in LibreOffice"
        for r, (ra, rb) in enumerate(zip(a, b)):
            for c, (ca, cb) in enumerate(zip(ra, rb)):
                if ca != cb:
                    return f"table {i + 1} row {r + 1} column {c + 1}: {ca[:60]!r} here, {cb[:60]!r} in LibreOffice"
    return None


def main():
    args = argparse.ArgumentParser()
    args.add_argument("--dump", required=True)
    args.add_argument("paths", nargs="+")
    options = args.parse_args()
    docs = []
    for path in options.paths:
        if os.path.isdir(path):
            docs += sorted(os.path.join(path, n) for n in os.listdir(path) if n.lower().endswith(".doc"))
        else:
            docs.append(path)
    with tempfile.TemporaryDirectory() as out:
        profile = "file://" + os.path.join(out, "profile")
        subprocess.run(["soffice", f"-env:UserInstallation={profile}", "--headless",
                        "--convert-to", "html", "--outdir", out] + docs,
                       capture_output=True, check=False)
        agree = 0
        for doc in docs:
            name = os.path.splitext(os.path.basename(doc))[0] + ".html"
            html_path = os.path.join(out, name)
            ours = our_tables(options.dump, doc)
            theirs = libreoffice_tables(html_path) if os.path.exists(html_path) else "no HTML"
            if isinstance(ours, str) or isinstance(theirs, str):
                print(f"DIFFER  {doc}: ours: {ours if isinstance(ours, str) else len(ours)} tables; "
                      f"LibreOffice: {theirs if isinstance(theirs, str) else len(theirs)} tables")
                continue
            difference = describe(ours, theirs)
            if difference is None:
                agree += 1
                print(f"AGREE   {doc}: {len(ours)} tables")
            else:
                print(f"DIFFER  {doc}: {difference}")
        print(f"{agree} of {len(docs)} documents agree")


if __name__ == "__main__":
    sys.exit(main())
