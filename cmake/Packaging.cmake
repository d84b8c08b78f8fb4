# A Debian package of everything the install rules put in place:
#   cpack -G DEB   (in the build directory)

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

set(CPACK_PACKAGE_NAME "${DAVEV_ID_packageName}")
set(CPACK_PACKAGE_VERSION "${DAVEV_ID_version}")
set(CPACK_PACKAGE_VENDOR "${DAVEV_ID_author}")
set(CPACK_PACKAGE_CONTACT "${DAVEV_ID_author} <${DAVEV_ID_contactEmail}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${DAVEV_ID_productName}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${DAVEV_ID_packageName}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Goes below the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${DAVEV_ID_executableName} appends the contents of a source text file to a target\ntext file, once on request or again every one to five minutes.\nFreeware by ${DAVEV_ID_author}.")
# dpkg-shlibdeps works out the libraries; the labels are drawn in Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")

include(CPack)
