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


# A small form of our own for the forms target: labels and values beside and
# below them, a merged cell, a repeating block, and check boxes of each kind
# (typed, a symbol font's, a content control's, a form field's).
FORM_XML = """<?xml version="1.0" encoding="UTF-8"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"
 xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml"><w:body><w:tbl>
<w:tblGrid><w:gridCol w:w="1500"/><w:gridCol w:w="1500"/><w:gridCol w:w="1500"/></w:tblGrid>
<w:tr><w:tc><w:p><w:r><w:t>姓名：</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>张三</w:t></w:r></w:p></w:tc>
<w:tc><w:tcPr><w:vMerge w:val="restart"/></w:tcPr><w:p><w:r><w:t>照片</w:t></w:r></w:p></w:tc></w:tr>
<w:tr><w:tc><w:p><w:r><w:t>性别</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>☑男 ☐女</w:t></w:r>
<w:r><w:sym w:font="Wingdings" w:char="F0FE"/><w:t>是</w:t></w:r></w:p></w:tc>
<w:tc><w:tcPr><w:vMerge/></w:tcPr><w:p/></w:tc></w:tr>
<w:tr><w:tc><w:p><w:r><w:t>同意</w:t></w:r></w:p></w:tc><w:tc><w:sdt><w:sdtPr><w:tag w:val="agree"/>
<w14:checkbox><w14:checked w14:val="1"/></w14:checkbox></w:sdtPr><w:sdtContent><w:r><w:t>☒</w:t></w:r>
</w:sdtContent></w:sdt></w:p></w:tc><w:tc><w:p><w:r><w:fldChar w:fldCharType="begin"><w:ffData>
<w:checkBox><w:default w:val="1"/></w:checkBox></w:ffData></w:fldChar></w:r><w:r><w:instrText>
FORMCHECKBOX</w:instrText></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r><w:r><w:t>否</w:t></w:r></w:p></w:tc></w:tr>
<w:tr><w:tc><w:tcPr><w:gridSpan w:val="3"/></w:tcPr><w:p><w:r><w:t>家庭成员</w:t></w:r></w:p></w:tc></w:tr>
<w:tr><w:tc><w:p><w:r><w:t>姓名</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>关系</w:t></w:r></w:p></w:tc>
<w:tc><w:p><w:r><w:t>电话</w:t></w:r></w:p></w:tc></w:tr>
<w:tr><w:tc><w:p><w:r><w:t>李四</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>父亲</w:t></w:r></w:p></w:tc>
<w:tc><w:p><w:r><w:t>13800000001</w:t></w:r></w:p></w:tc></w:tr>
<w:tr><w:tc><w:p><w:r><w:t>{{name}}</w:t></w:r></w:p></w:tc><w:tc><w:p/></w:tc>
<w:tc><w:p><w:r><w:t>年 月 日</w:t></w:r></w:p></w:tc></w:tr>
</w:tbl><w:p/></w:body></w:document>
""".encode("utf-8")


def tables(page):
    """Every piece after a "<table ", as the start command cuts the page."""
    return page.split(b"<table ")[1:]


def main():
    for target in ("conversion", "nohtml", "codepage", "compound_file", "docx", "web_page",
                   "forms"):
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
        put("forms", doc.read_bytes(), doc.name)
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
                put("forms", xml, docx.stem + ".xml")
    put("forms", FORM_XML, "form.xml")


if __name__ == "__main__":
    main()
