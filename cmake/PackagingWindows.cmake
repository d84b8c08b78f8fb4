# The portable zip of the Windows program: DA-VEV.exe and a short README.
#   cpack -G ZIP   (in the build directory)

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

install(FILES ${PROJECT_SOURCE_DIR}/share/windows/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${DAVEV_ID_executableName}")
set(CPACK_PACKAGE_VERSION "${DAVEV_ID_version}")
set(CPACK_PACKAGE_VENDOR "${DAVEV_ID_author}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${DAVEV_ID_productName}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)

include(CPack)
