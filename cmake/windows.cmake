# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake): the
# command line and the layers below it, without Qt, the window or the network
# layer. Included from the top-level CMakeLists.txt after brisolt_options.

# One brisolt-cli.exe a user can copy: the C and C++ runtimes and winpthreads
# linked in, no DLLs next to it.
target_link_options(brisolt_options INTERFACE -static)
# <windows.h> without its min/max macros and the rarely used parts.
target_compile_definitions(brisolt_options INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)

if(CMAKE_CROSSCOMPILING)
    # The header-only libraries come from the build machine's /usr/include,
    # which must not become an include folder of the Windows compiler (its
    # C library headers would shadow mingw's). A folder of links to just those
    # headers stands in, and find_package reads our package files for them.
    set(_headers ${CMAKE_BINARY_DIR}/cross-include)
    file(MAKE_DIRECTORY ${_headers})
    foreach(_entry CLI nlohmann SimpleIni.h)
        if(NOT EXISTS /usr/include/${_entry})
            message(FATAL_ERROR "/usr/include/${_entry} missing: run scripts/install-deps.sh")
        endif()
        file(CREATE_LINK /usr/include/${_entry} ${_headers}/${_entry} SYMBOLIC)
    endforeach()
    set(SIMPLEINI_INCLUDE_DIR ${_headers} CACHE PATH "SimpleIni.h's folder" FORCE)
    foreach(_package CLI11 nlohmann_json)
        file(
            WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${_package}Config.cmake
            "if(NOT TARGET ${_package}::${_package})\n"
            "    add_library(${_package}::${_package} INTERFACE IMPORTED)\n"
            "    set_target_properties(${_package}::${_package} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_headers})\n"
            "endif()\n")
    endforeach()

    # Wine keeps its prefix (a C: drive, a registry) in the build folder,
    # never in the home folder, and is quiet about what it does not implement.
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
                                          ${CMAKE_CROSSCOMPILING_EMULATOR})
        # Debian's Wine has no preloader: the kernel puts the loader's heap
        # anywhere in the gibibyte above it (at 0x7d000000), and one start in
        # a few thousand it covers the page Wine's shared user data must have
        # at 0x7ffe0000: the process then exits with status 1 before the
        # program starts ("failed to map the shared user data"). Without
        # address randomization the heap starts right after the loader.
        find_program(BRISOLT_SETARCH setarch)
        if(BRISOLT_SETARCH)
            execute_process(COMMAND ${BRISOLT_SETARCH} ${CMAKE_HOST_SYSTEM_PROCESSOR} -R true RESULT_VARIABLE _setarch_result
                            OUTPUT_QUIET ERROR_QUIET)
        endif()
        if(BRISOLT_SETARCH AND _setarch_result EQUAL 0)
            set(CMAKE_CROSSCOMPILING_EMULATOR ${BRISOLT_SETARCH} ${CMAKE_HOST_SYSTEM_PROCESSOR} -R
                                              ${CMAKE_CROSSCOMPILING_EMULATOR})
        else()
            message(WARNING "setarch -R does not work here: now and then a test under Wine will end before it starts")
        endif()
    endif()
endif()
