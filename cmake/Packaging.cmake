# A Debian package of everything the install rules put in place:
#   cpack -G DEB   (in the build directory)

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

set(CPACK_PACKAGE_NAME "${DAVEV_ID_packageName}")
set(CPACK_PACKAGE_VERSION "${DAVEV_ID_version}")
set(CPACK_PACKAGE_VENDOR "${DAVEV_ID_author}")
set(CPACK_PACKAGE_CONTACT "${DAVEV_ID_author} <${DAVEV_ID_contactEmail}>")
# Debian's synopsis is a phrase that does not start with a capital.
string(SUBSTRING "${DAVEV_ID_summary}" 0 1 _first)
string(SUBSTRING "${DAVEV_ID_summary}" 1 -1 _rest)
string(TOLOWER "${_first}" _first)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${_first}${_rest}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${DAVEV_ID_packageName}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# Stripped binaries. Built with debug information (Debug, RelWithDebInfo),
# their symbols and debug information go to a da-vev-dbgsym package beside
# it, found by build id.
if(CMAKE_BUILD_TYPE MATCHES "^(Debug|RelWithDebInfo)$")
    set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
else()
    set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# Goes below the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${DAVEV_ID_executableName} (${DAVEV_ID_productName}) appends the contents of a source\ntext file to the end of a target text file, once on request or again every\none or five minutes, and can do it unattended at every login.\nFreeware by ${DAVEV_ID_author}.")
# dpkg-shlibdeps works out the libraries; the labels are drawn in Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")

# The same bytes from every build of a commit (and a -dbgsym package dpkg can verify).
set(CPACK_DAVEV_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_DAVEV_RELEASE_DATE "${DAVEV_ID_releaseDate}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/PackageTime.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/DebianPackages.cmake")

include(CPack)
