# Builds with Debian's hardening flags (fortified libc calls, strong stack protector, read-only
# relocations bound at start) as dpkg-buildflags gives them, so the package is built the way
# Debian builds its own. LEVYHOLVI_DPKG_BUILDFLAGS is on in the release preset only: the
# sanitizer builds and the development build keep their own flags.
option(LEVYHOLVI_DPKG_BUILDFLAGS "Add the flags of dpkg-buildflags (Debian hardening)" OFF)

if(LEVYHOLVI_DPKG_BUILDFLAGS)
    find_program(LEVYHOLVI_DPKG_BUILDFLAGS_TOOL dpkg-buildflags)
    if(LEVYHOLVI_SANITIZE)
        # _FORTIFY_SOURCE and the sanitizers' interceptors do not mix.
        message(WARNING "LEVYHOLVI_DPKG_BUILDFLAGS ignored: LEVYHOLVI_SANITIZE is on")
    elseif(NOT LEVYHOLVI_DPKG_BUILDFLAGS_TOOL)
        message(WARNING "dpkg-buildflags not found (package dpkg-dev): building without "
                        "Debian's hardening flags")
    else()
        # bindnow (-z now) is not in dpkg's default set; the caller's own options come after
        # and so may still turn a feature off.
        set(_maint "hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}")
        foreach(var CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
            # From the source folder, so -ffile-prefix-map maps it to "." (reproducible).
            execute_process(
                COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${_maint}"
                        ${LEVYHOLVI_DPKG_BUILDFLAGS_TOOL} --get ${var}
                WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
            separate_arguments(_flags UNIX_COMMAND "${_flags}")
            # The build type decides optimisation and debug information.
            list(FILTER _flags EXCLUDE REGEX "^-(O.*|g.*)$")
            list(JOIN _flags " " _levyholvi_${var})
        endforeach()
        string(APPEND CMAKE_C_FLAGS " ${_levyholvi_CPPFLAGS} ${_levyholvi_CFLAGS}")
        string(APPEND CMAKE_CXX_FLAGS " ${_levyholvi_CPPFLAGS} ${_levyholvi_CXXFLAGS}")
        foreach(kind EXE SHARED MODULE)
            string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${_levyholvi_LDFLAGS}")
        endforeach()
        message(STATUS "dpkg-buildflags: ${_levyholvi_CPPFLAGS} ${_levyholvi_CXXFLAGS} "
                       "${_levyholvi_LDFLAGS}")
    endif()
endif()
