# The Debian package, made by CPack from what the install rules install:
#   cmake --preset package && cmake --build --preset package
# leaves quillmere_VERSION_ARCH.deb in build-package/. Its dependencies are
# worked out from the program's shared libraries (dpkg-shlibdeps).
set(QUILLMERE_MAINTAINER
    "Seed 39809b3d maintainers <maintainers@users.noreply.c-seed-39809b3d.example>"
    CACHE STRING "The package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLMERE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what the libraries need: the window's X11 platform plugin, a font
# for its Chinese texts, LibreOffice for formats the program does not read
# itself, and the ODBC driver of the usual shared database server.
if(QUILLMERE_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer, odbc-postgresql")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move a table of a Word document into an SQLite database")
# The summary makes the Description's first line; this text follows it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quillmere takes one table of a Word document, normalises it into a
rectangular grid (cells that span columns repeated across, cells that span
rows carried down, markup stripped) and inserts every row into the table
dt_table of an SQLite database, or through ODBC of a database server that a
team shares (PostgreSQL, say), showing a preview page of the rows and the
statements that ran. Word 97-2003 and Word 2007+ documents are read by the
program itself; other formats go through LibreOffice when it is installed.
A stored table is written out as an Excel workbook or a CSV file, its
columns named by the table's header, numbers as numbers and every other
value as the text it is.
.
It has a window (in Simplified Chinese) and a command line. Each user's
files live in ~/Quillmere, made on the first start with an empty database
and a sample document.")

include(CPack)
