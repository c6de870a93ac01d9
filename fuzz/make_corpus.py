#!/usr/bin/env python3
"""Makes the fuzz targets' seed corpora under fuzz/corpus/ from the project's
own test data (never from the third-party fixtures the tests read from
../shared/fixtures). Run it again after the test data changes; libFuzzer
adds what it finds to a copy in build-fuzz/, not here."""
import hashlib
import io
import pathlib
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
DOCS = sorted((ROOT / "tests/document/word97/data").glob("*.doc")) + [ROOT / "samples/test.doc"]
DOCXS = sorted(p for p in (ROOT / "tests/document/data").glob("*.docx"))
PAGES = [ROOT / "tests/document/data/sample-page.html",
         ROOT / "samples/sample-table.html"] + sorted((ROOT / "tests/document/word97/data/sources").glob("*.html"))


def put(target, data, name=None):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / (name or hashlib.sha1(data).hexdigest()[:16])).write_bytes(data)


def tables(page):
    """Every piece after a "<table ", as the start command cuts the page."""
    return page.split(b"<table ")[1:]


def main():
    for target in ("conversion", "nohtml", "codepage", "compound_file", "docx", "web_page"):
        for old in (CORPUS / target).glob("*"):
            old.unlink()
    for page in PAGES:
        data = page.read_bytes()
        put("codepage", data, page.name)
        for table in tables(data):
            put("conversion", table)
            text = table.decode("gbk", errors="replace")
            for cell in text.split("</td>")[:12]:
                put("nohtml", cell.encode("utf-16-le", errors="surrogatepass"))
    put("codepage", "表格第一行是标题 Word文档第1个表格".encode("utf-16-le"), "utf16-text")
    for doc in DOCS:
        put("compound_file", doc.read_bytes(), doc.name)
        put("web_page", doc.read_bytes(), doc.name)
    for docx in DOCXS:
        put("docx", docx.read_bytes(), docx.name)
        put("web_page", docx.read_bytes(), docx.name)
        if not zipfile.is_zipfile(docx):
            continue  # encrypted.docx is a compound file
        with zipfile.ZipFile(io.BytesIO(docx.read_bytes())) as package:
            if "word/document.xml" in package.namelist():
                xml = package.read("word/document.xml")
                put("docx", xml, docx.stem + ".xml")
                put("web_page", xml, docx.stem + ".xml")


if __name__ == "__main__":
    main()
