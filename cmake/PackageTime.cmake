# Read by CPack before it packs (CPACK_PROJECT_CONFIG_FILE): every file time
# in the packages is the time of the last commit, so packing the same commit
# again, anywhere, gives the same bytes. CPack's archives and dpkg-deb take
# it from SOURCE_DATE_EPOCH; one already set is kept. Sources outside git
# use the release date of the version, at midnight UTC.

if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(_time "")
    execute_process(COMMAND git -C "${CPACK_DAVEV_SOURCE_DIR}" rev-parse --show-toplevel
        OUTPUT_VARIABLE _top OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _status ERROR_QUIET)
    # Only the source tree's own repository, not one it happens to lie in.
    file(REAL_PATH "${CPACK_DAVEV_SOURCE_DIR}" _source)
    if(_status EQUAL 0 AND _top STREQUAL _source)
        execute_process(COMMAND git -C "${CPACK_DAVEV_SOURCE_DIR}" log -1 --format=%ct
            OUTPUT_VARIABLE _time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    if(NOT _time MATCHES "^[0-9]+$")
        # Days since 1970-01-01 of YYYY-MM-DD, counting years from March.
        string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" _ "${CPACK_DAVEV_RELEASE_DATE}")
        set(_year ${CMAKE_MATCH_1})
        set(_month ${CMAKE_MATCH_2})
        if(_month LESS_EQUAL 2)
            math(EXPR _year "${_year} - 1")
            math(EXPR _month "${_month} + 12")
        endif()
        math(EXPR _time "(365 * ${_year} + ${_year} / 4 - ${_year} / 100 + ${_year} / 400
            + (153 * (${_month} - 3) + 2) / 5 + ${CMAKE_MATCH_3} - 719469) * 86400")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${_time}")
endif()
