# The same sources give the same binaries wherever they are built: the
# folders of the source and build trees are mapped out of debug information,
# __FILE__ and the build ids to fixed names (a debugger finds the sources
# with "set substitute-path /usr/src/da-vev <checkout>"), and the Windows
# linker stamps no link time. Debug builds keep the real folders, for the
# debugger and test failure messages. The packages' file times and modes are
# set by cmake/PackageTime.cmake and the scripts CPack runs.

include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)
set(DAVEV_MAPPED_SOURCE_DIR "/usr/src/${DAVEV_ID_packageName}")
# GCC and Clang apply the last matching map, so the build tree (often inside
# the source tree) comes second.
add_compile_options(
    "$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=${DAVEV_MAPPED_SOURCE_DIR}>"
    "$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=${DAVEV_MAPPED_SOURCE_DIR}/build>")
if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
