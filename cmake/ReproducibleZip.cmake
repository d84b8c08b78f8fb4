# Run by CPack after it has written the Windows zip: writes it again with
# Info-ZIP's zip, which leaves out what CPack's archive library records of
# the machine that packed it (the packer's user and group ids, extra time
# stamps), with every entry in name order, the modes a download should have
# and the time cmake/PackageTime.cmake chose, as UTC.

find_program(_zip zip)
if(NOT _zip)
    message(FATAL_ERROR "Packing the zip needs Info-ZIP's zip (Debian package zip)")
endif()
foreach(_package IN LISTS CPACK_PACKAGE_FILES)
    set(_root "${_package}.unpacked")
    file(REMOVE_RECURSE "${_root}")
    file(MAKE_DIRECTORY "${_root}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${_package}" WORKING_DIRECTORY "${_root}"
        COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE "${_root}" "${_root}/*")
    list(SORT _files)
    foreach(_file IN LISTS _files)
        set(_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        if(_file MATCHES "\\.exe$")
            list(APPEND _mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
        endif()
        file(CHMOD "${_root}/${_file}" FILE_PERMISSIONS ${_mode})
    endforeach()
    file(REMOVE "${_package}")
    execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${_files} WORKING_DIRECTORY "${_root}"
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC0 "${_zip}" -X -D -q "${_package}" ${_files}
        WORKING_DIRECTORY "${_root}" COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${_root}")
endforeach()
