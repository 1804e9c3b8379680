# The Debian package: `cpack -G DEB` in the build folder makes
# brivane_<version>_amd64.deb from the install rules, so whatever a later
# install() adds (another program, a manual page) is packaged with no change here.
set(CPACK_PACKAGE_NAME brivane)
set(CPACK_PACKAGE_VENDOR Orlinde)
set(CPACK_PACKAGE_CONTACT "Orlinde <info@orlinde.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "writes the HTML page for a button-bar applet")
set(CPACK_PACKAGE_DESCRIPTION
    "Brivane sets up a ready-made button-bar applet on one tabbed window and\n\
writes the page that shows it: button size and count, border, colours, motion\n\
style, font, alignment, spacing, page title, and a link, label, image and target\n\
frame for every button. It opens the page in a browser, copies or saves the\n\
applet HTML, and keeps its settings in a plain text file.")
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
