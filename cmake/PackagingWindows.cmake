# The portable zip of the Windows program: DA-VEV.exe and a short README.
#   cpack -G ZIP   (in the build directory)

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

# The README with Windows line ends, so Notepad of any Windows version shows its lines.
set(_readme "${PROJECT_BINARY_DIR}/share/windows/README.txt")
configure_file(${PROJECT_SOURCE_DIR}/share/windows/README.txt "${_readme}" @ONLY NEWLINE_STYLE CRLF)
install(FILES "${_readme}" DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${DAVEV_ID_executableName}")
set(CPACK_PACKAGE_VERSION "${DAVEV_ID_version}")
set(CPACK_PACKAGE_VENDOR "${DAVEV_ID_author}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${DAVEV_ID_productName}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
# The same bytes from every build of a commit.
set(CPACK_DAVEV_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_DAVEV_RELEASE_DATE "${DAVEV_ID_releaseDate}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/PackageTime.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/ReproducibleZip.cmake")

include(CPack)
