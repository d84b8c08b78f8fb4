# Reads the version record and desktop names from src/app/identity.h, so the
# header stays their one source. Sets DAVEV_ID_<name> for each value read
# (DAVEV_ID_productName, DAVEV_ID_versionMajor, ...) and DAVEV_XML_<name>
# for the strings, escaped for XML text. No include guard: every directory
# that includes this file gets its own copy of the variables.

set(DAVEV_IDENTITY_HEADER "${PROJECT_SOURCE_DIR}/src/app/identity.h")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${DAVEV_IDENTITY_HEADER}")
file(READ "${DAVEV_IDENTITY_HEADER}" _davev_identity_text)

set(_davev_identity_strings
    projectName executableName productName description version releaseDate fileVersion productVersion
    internalName originalFilename fileDescription contactEmail comments author
    interpreterInternalName interpreterOriginalFilename interpreterFileDescription
    genericName summary keywords
    appstreamId desktopEntryName iconName packageName licence windowIcon16 windowIcon24)
set(_davev_identity_numbers versionMajor versionMinor versionRevision languageId codePage)

foreach(_name IN LISTS _davev_identity_strings)
    if(NOT _davev_identity_text MATCHES
            "inline constexpr std::string_view ${_name} =[ \n]+\"([^\"\\\\\n]*)\";")
        message(FATAL_ERROR "identity.h: no plain string value for '${_name}'")
    endif()
    set(_value "${CMAKE_MATCH_1}")
    set(DAVEV_ID_${_name} "${_value}")
    string(REPLACE "&" "&amp;" _value "${_value}")
    string(REPLACE "<" "&lt;" _value "${_value}")
    string(REPLACE ">" "&gt;" _value "${_value}")
    set(DAVEV_XML_${_name} "${_value}")
endforeach()

foreach(_name IN LISTS _davev_identity_numbers)
    if(NOT _davev_identity_text MATCHES
            "inline constexpr [A-Za-z0-9_:]+ ${_name} = ((0x)?[0-9A-Fa-f]+);")
        message(FATAL_ERROR "identity.h: no number for '${_name}'")
    endif()
    math(EXPR DAVEV_ID_${_name} "${CMAKE_MATCH_1}")
endforeach()

string(SUBSTRING "${DAVEV_ID_releaseDate}" 0 4 DAVEV_ID_copyrightYear)
set(DAVEV_ID_fullVersion "${DAVEV_ID_versionMajor}.${DAVEV_ID_versionMinor}.${DAVEV_ID_versionRevision}")
if(DEFINED PROJECT_VERSION AND NOT PROJECT_VERSION VERSION_EQUAL DAVEV_ID_fullVersion)
    message(FATAL_ERROR
        "project() says version ${PROJECT_VERSION}, identity.h says ${DAVEV_ID_fullVersion}")
endif()

# Where the generated desktop files are written in the build tree.
set(DAVEV_SHARE_BUILD_DIR "${PROJECT_BINARY_DIR}/share")
set(DAVEV_DESKTOP_ENTRY_FILE "${DAVEV_SHARE_BUILD_DIR}/applications/${DAVEV_ID_desktopEntryName}")
set(DAVEV_METAINFO_FILE "${DAVEV_SHARE_BUILD_DIR}/metainfo/${DAVEV_ID_appstreamId}.metainfo.xml")
set(DAVEV_ICON_BUILD_DIR "${DAVEV_SHARE_BUILD_DIR}/icons")
set(DAVEV_ICON_SIZES 16 24)

unset(_davev_identity_text)
unset(_davev_identity_strings)
unset(_davev_identity_numbers)
unset(_name)
unset(_value)
