# The hardening Debian builds its packages with: stack protector, fortified
# libc calls where the code is optimised (glibc needs it), position
# independent executables, and read-only relocations bound at start-up.
# Only for Linux targets: the Windows cross build has its own linker.

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(-fstack-protector-strong)
    if(NOT DAVEV_SANITIZE)
        # -U first, so a compiler that already defines it is not warned about.
        add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    endif()
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
