# The Debian package: `cpack -G DEB` in the build folder makes
# brivane_<version>_amd64.deb from the install rules, so whatever a later
# install() adds (another program, a manual page) is packaged with no change here.
set(CPACK_PACKAGE_NAME brivane)
set(CPACK_PACKAGE_VENDOR Orlinde)
set(CPACK_PACKAGE_CONTACT "Orlinde <info@orlinde.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes the HTML page for a button-bar applet")
# Lines of at most 72 characters: the package tools indent each by one and
# count the longest against 80.
set(CPACK_PACKAGE_DESCRIPTION
    "Brivane sets up a ready-made button bar on one tabbed window and writes\n\
the page that shows it: button size and count, border, colours, motion\n\
style, font, alignment, spacing, page title, and a link, label, image\n\
and target frame for every button. Its Preview window draws the bar as\n\
it is set up. The page is either the applet page or a web page of plain\n\
HTML and CSS that today's browsers show without an applet. Brivane opens\n\
the page in a browser, copies or saves its HTML, and keeps its settings\n\
in a plain text file. The brivane-convert command turns pages that hold\n\
the applet into web pages.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.orlinde.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orlinde <info@orlinde.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# The Qt libraries and the rest, with the versions the build linked against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Test Applet's default browser and the web links open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
# brivane_<version>_<architecture>.deb, as Debian names its packages.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
