#!/usr/bin/env python3
"""Writes the small .docx fixtures of the document-server tests.

Each fixture is WordprocessingML written out by hand below, so every element
the reader must understand appears exactly where a test expects it. The
archives are deterministic: running the script again gives the same bytes.

When LibreOffice is installed, libreoffice-made.docx is converted from
libreoffice-source.html, to have one file written by a real word processor.

    python3 tests/document/data/make_fixtures.py
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
MC_NS = "http://schemas.openxmlformats.org/markup-compatibility/2006"


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


# --- WordprocessingML pieces -------------------------------------------------

def t(text):
    return '<w:r><w:t xml:space="preserve">%s</w:t></w:r>' % esc(text)


def p(*runs):
    return "<w:p>%s</w:p>" % "".join(r if r.startswith("<") else t(r) for r in runs)


def tc(*content, span=1, vmerge=None, hmerge=None, width=None):
    props = ""
    if width is not None:
        props += '<w:tcW w:w="%d" w:type="dxa"/>' % width
    if span > 1:
        props += '<w:gridSpan w:val="%d"/>' % span
    if hmerge is not None:
        props += '<w:hMerge w:val="%s"/>' % hmerge if hmerge else "<w:hMerge/>"
    if vmerge is not None:
        props += '<w:vMerge w:val="%s"/>' % vmerge if vmerge else "<w:vMerge/>"
    body = "".join(c if c.startswith("<") else p(c) for c in content) or p()
    return "<w:tc><w:tcPr>%s</w:tcPr>%s</w:tc>" % (props, body)


def tr(*cells, before=0, after=0, before_width=None, deleted=False):
    props = ""
    if before:
        props += '<w:gridBefore w:val="%d"/>' % before
    if before_width is not None:
        props += '<w:wBefore w:w="%d" w:type="dxa"/>' % before_width
    if after:
        props += '<w:gridAfter w:val="%d"/>' % after
    if deleted:
        props += '<w:del w:id="90" w:author="x" w:date="2020-01-01T00:00:00Z"/>'
    return "<w:tr><w:trPr>%s</w:trPr>%s</w:tr>" % (props, "".join(cells))


def tbl(*rows, grid=None):
    grid_xml = ""
    if grid is not None:
        grid_xml = "<w:tblGrid>%s</w:tblGrid>" % "".join(
            '<w:gridCol w:w="%d"/>' % w for w in grid)
    return ('<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/><w:tblW w:w="0" w:type="auto"/>'
            "</w:tblPr>%s%s</w:tbl>" % (grid_xml, "".join(rows)))


def field(instruction, result):
    return ('<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
            '<w:r><w:instrText xml:space="preserve">%s</w:instrText></w:r>'
            '<w:r><w:fldChar w:fldCharType="separate"/></w:r>%s'
            '<w:r><w:fldChar w:fldCharType="end"/></w:r>' % (instruction, result))


def document(*blocks):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<w:document xmlns:w="%s" xmlns:mc="%s"><w:body>%s'
            '<w:sectPr/></w:body></w:document>' % (W_NS, MC_NS, "".join(blocks)))


# --- packages ----------------------------------------------------------------

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" ContentType="application/'
    'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')

RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
    'relationships/officeDocument" Target="word/document.xml"/></Relationships>')


def write_docx(name, document_xml):
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        for part, text in (("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", RELS),
                           ("word/document.xml", document_xml)):
            info = zipfile.ZipInfo(part, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text.encode("utf-8"))


# --- the fixtures --------------------------------------------------------------

def merged_cells():
    """Column spans, vertical merges in every spelling, the legacy hMerge."""
    return document(tbl(
        tr(tc("Name", span=2), tc("Age"), tc("City")),
        tr(tc("A", vmerge="restart"), tc("B"), tc("30"), tc("北京")),
        tr(tc(vmerge=""), tc("C"), tc("31"), tc("上海", vmerge="restart")),
        tr(tc(vmerge="continue"), tc("D"), tc("32"), tc(vmerge="continue")),
        tr(tc("hm", hmerge="restart"), tc(hmerge=""), tc("x"), tc("y")),
        grid=[1500, 1500, 1500, 1500]))


def ragged():
    """A grid-less table whose rows have different cell edges, and rows that
    stop short of the grid (gridBefore, gridAfter, too few cells)."""
    return document(
        tbl(tr(tc("a", width=1000), tc("b", width=2000), tc("c", width=1000)),
            tr(tc("d", width=2000), tc("e", width=2000)),
            tr(tc("f", width=500), tc("g", width=3500))),
        p("between"),
        tbl(tr(tc("x"), tc("y"), tc("z")),
            tr(tc("p"), tc("q"), before=1, before_width=1200),
            tr(tc("s"), tc("t"), after=1),
            tr(tc("u")),
            grid=[1200, 1200, 1200]))


def text_and_nesting():
    """Escapes, Chinese, characters outside code page 936, blanks, tabs, line
    breaks, empty cells and paragraphs, and a nested table."""
    return document(
        p("Before the tables: a & b < c > d"),
        tbl(tr(tc('He said "hi" & left'), tc(p(t("<tag>"))), tc("中文 text")),
            tr(tc(), tc(p("line one", "<w:r><w:br/></w:r>", "line two")),
               tc(p("first"), p(), p("second"))),
            tr(tc("tab\there", '<w:p><w:r><w:tab/></w:r>' + t("lead") + "</w:p>"),
               tc("a  b   c"), tc("emoji 😀 한")),
            grid=[2000, 2000, 2000]),
        p(),
        tbl(tr(tc(p("outer"), tbl(tr(tc("inner 1")), tr(tc("inner 2")), grid=[1800]),
                  p("after inner")),
               tc("right")),
            grid=[2400, 2400]),
        p(),
        tbl(tr(tc("last table")), grid=[3000]))


def fields_and_revisions():
    """Field results kept and instructions dropped, revisions, wrappers,
    symbols, alternate content and a table in a text box."""
    nested_if = ('<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
                 '<w:r><w:instrText>IF </w:instrText></w:r>' + field("DATE", t("x")) +
                 '<w:r><w:instrText> = 1 "yes"</w:instrText></w:r>'
                 '<w:r><w:fldChar w:fldCharType="separate"/></w:r>' + t("yes") +
                 '<w:r><w:fldChar w:fldCharType="end"/></w:r>')
    revisions = ('<w:p><w:ins w:id="1" w:author="x">%s</w:ins><w:del w:id="2" w:author="x">'
                 '<w:r><w:delText>gone</w:delText></w:r></w:del></w:p>' % t("kept"))
    wrappers = ('<w:p><w:hyperlink w:anchor="top">%s</w:hyperlink>'
                '<w:smartTag w:uri="u" w:element="place">%s</w:smartTag>'
                '<w:sdt><w:sdtPr/><w:sdtContent>%s</w:sdtContent></w:sdt>'
                '<w:fldSimple w:instr=" AUTHOR ">%s</w:fldSimple></w:p>'
                % (t("link"), t("city"), t("control"), t("simple")))
    symbols = ('<w:p><w:r><w:t>a</w:t><w:noBreakHyphen/><w:t>b</w:t>'
               '<w:sym w:font="Wingdings" w:char="F0FC"/></w:r></w:p>')
    alternate = ('<w:p><w:r><mc:AlternateContent><mc:Choice Requires="w14">'
                 '<w:t>choice</w:t></mc:Choice><mc:Fallback><w:t>fallback</w:t>'
                 '</mc:Fallback></mc:AlternateContent></w:r></w:p>')
    text_box = ('<w:p>%s<w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing>'
                '<wps:txbx xmlns:wps="http://schemas.microsoft.com/office/word/2010/'
                'wordprocessingShape"><w:txbxContent>%s%s</w:txbxContent></wps:txbx>'
                '</w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent>%s'
                '</w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>'
                % (t("anchor"), tbl(tr(tc("boxed")), grid=[1000]), p(),
                   tbl(tr(tc("boxed twice")), grid=[1000])))
    row_in_sdt = ("<w:sdt><w:sdtPr/><w:sdtContent>%s</w:sdtContent></w:sdt>"
                  % tr(tc("row in control"), tc("r2")))
    cell_in_sdt = ("<w:tr><w:sdt><w:sdtPr/><w:sdtContent>%s</w:sdtContent></w:sdt>%s</w:tr>"
                   % (tc("cell in control"), tc("c2")))
    return document(
        tbl(tr(tc(p("page ", field(" PAGE ", t("7")))), tc(p(nested_if))),
            tr(tc(revisions), tc(wrappers)),
            tr(tc(symbols), tc(alternate)),
            tr(tc("deleted row"), tc("gone"), deleted=True),
            row_in_sdt,
            cell_in_sdt,
            grid=[2500, 2500]),
        "<w:customXml w:element=\"wrapped\">%s</w:customXml>" % p("in custom xml"),
        text_box)


def other_prefix(xml):
    """The same document with WordprocessingML bound to the prefix ns0, as
    some XML libraries write it."""
    return (xml.replace("xmlns:w=", "xmlns:ns0=").replace("<w:", "<ns0:")
            .replace("</w:", "</ns0:").replace(" w:", " ns0:"))


def sample():
    """The document behind sample-page.html: one of each table shape."""
    return document(
        p("Quillmere sample: one table of every shape the page writer knows."),
        tbl(tr(tc("Heading across two", span=2), tc("第三 😀")),
            tr(tc("Down two", vmerge="restart"), tc(""), tc(p("x", "<w:r><w:br/></w:r>", "y"))),
            tr(tc(vmerge=""), tc("A & B <c>"), tc(p("outer"), tbl(tr(tc("nested")), grid=[1200]))),
            tr(tc("after a gap"), before=1, after=1, before_width=1400),
            grid=[1400, 1400, 1400]))


def encrypted_package():
    """A compound file shaped like a password-protected .docx: the streams
    EncryptionInfo and EncryptedPackage (4096 bytes each, sectors 2-9, 10-17)."""
    end, free, fat_sector = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    header = struct.pack("<8s16sHHHHH6sIIIIIIIII", b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1",
                         b"\0" * 16, 0x3E, 3, 0xFFFE, 9, 6, b"\0" * 6,
                         0, 1, 1, 0, 4096, end, 0, end, 0)
    header += struct.pack("<109I", 0, *([free] * 108))
    fat = [fat_sector, end] + list(range(3, 10)) + [end] + list(range(11, 18)) + [end]
    fat_bytes = struct.pack("<128I", *(fat + [free] * (128 - len(fat))))

    def entry(name, kind, left, right, child, start, size):
        encoded = (name + "\0").encode("utf-16-le") if name else b""
        return struct.pack("<64sHBBIII16sIQQIQ", encoded, len(encoded), kind, 1, left, right,
                           child, b"\0" * 16, 0, 0, 0, start, size)

    none = 0xFFFFFFFF
    directory = (entry("Root Entry", 5, none, none, 1, end, 0) +
                 entry("EncryptionInfo", 2, none, 2, none, 2, 4096) +
                 entry("EncryptedPackage", 2, none, none, none, 10, 4096) +
                 entry("", 0, none, none, none, 0, 0))
    return header + fat_bytes + directory + b"\x01" * 4096 + b"\x02" * 4096


def libreoffice_made():
    soffice = shutil.which("soffice")
    if not soffice:
        print("soffice not found: libreoffice-made.docx left as it is")
        return
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([soffice, "-env:UserInstallation=file://%s/profile" % work, "--headless",
                        "--infilter=HTML (StarWriter)", "--convert-to", "docx:MS Word 2007 XML",
                        "--outdir", work, os.path.join(HERE, "libreoffice-source.html")],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(work, "libreoffice-source.docx"),
                    os.path.join(HERE, "libreoffice-made.docx"))


def main():
    write_docx("merged-cells.docx", merged_cells())
    write_docx("ragged.docx", ragged())
    write_docx("text-and-nesting.docx", text_and_nesting())
    write_docx("fields-and-revisions.docx", fields_and_revisions())
    write_docx("other-prefix.docx", other_prefix(merged_cells()))
    write_docx("sample.docx", sample())
    with open(os.path.join(HERE, "encrypted.docx"), "wb") as f:
        f.write(encrypted_package())
    libreoffice_made()
    return 0


if __name__ == "__main__":
    sys.exit(main())
