# Run by CPack after it has written the packages: builds each again with
# dpkg-deb from what CPack put in it, so that its bytes depend on nothing
# but those files: entries in name order and owned by root, folders
# rwxr-xr-x and the archive's own members rw-r--r-- whatever the umask of
# whoever packs, no time later than SOURCE_DATE_EPOCH
# (cmake/PackageTime.cmake).
#
# It also repairs the -dbgsym package that CMake's DEB generator writes. Its
# md5sums list absolute paths of the staging directory (so dpkg --verify
# cannot check the files), and it lacks the documentation link Debian's debug
# packages carry to their package's copyright and changelog, and marks its
# debug files executable.
#
# And it sets Installed-Size from the files alone, as dpkg-gencontrol does:
# CPack counts the staging folders' own sizes, which differ between file
# systems (4 KiB a folder on ext4, far less on tmpfs).

foreach(_package IN LISTS CPACK_PACKAGE_FILES)
    set(_root "${_package}.unpacked")
    file(REMOVE_RECURSE "${_root}")
    execute_process(COMMAND dpkg-deb -R "${_package}" "${_root}" COMMAND_ERROR_IS_FATAL ANY)
    if(_package MATCHES "-dbgsym[^/]*\\.ddeb$")
        file(MAKE_DIRECTORY "${_root}/usr/share/doc")
    endif()
    file(CHMOD_RECURSE "${_root}" DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

    if(_package MATCHES "-dbgsym[^/]*\\.ddeb$")
        file(CREATE_LINK "${CPACK_PACKAGE_NAME}" "${_root}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym" SYMBOLIC)
        file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE "${_root}" "${_root}/usr/*")
        list(SORT _files)
        set(_sums "")
        foreach(_file IN LISTS _files)
            if(NOT IS_SYMLINK "${_root}/${_file}")
                # Debug files are data, not programs.
                file(CHMOD "${_root}/${_file}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
                file(MD5 "${_root}/${_file}" _md5)
                string(APPEND _sums "${_md5}  ${_file}\n")
            endif()
        endforeach()
        file(WRITE "${_root}/DEBIAN/md5sums" "${_sums}")
        file(CHMOD "${_root}/DEBIAN/md5sums" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()

    file(GLOB_RECURSE _entries LIST_DIRECTORIES true RELATIVE "${_root}" "${_root}/*")
    list(FILTER _entries EXCLUDE REGEX "^DEBIAN(/|$)")
    set(_kib 0)
    foreach(_entry IN LISTS _entries)
        if(IS_SYMLINK "${_root}/${_entry}")
            file(READ_SYMLINK "${_root}/${_entry}" _target)
            string(LENGTH "${_target}" _bytes)
        elseif(IS_DIRECTORY "${_root}/${_entry}")
            set(_bytes 1)
        else()
            file(SIZE "${_root}/${_entry}" _bytes)
        endif()
        math(EXPR _kib "${_kib} + (${_bytes} + 1023) / 1024")
    endforeach()
    file(READ "${_root}/DEBIAN/control" _control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${_kib}\n" _control "${_control}")
    file(WRITE "${_root}/DEBIAN/control" "${_control}")

    execute_process(COMMAND dpkg-deb --root-owner-group -b "${_root}" "${_package}"
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${_root}")
endforeach()
