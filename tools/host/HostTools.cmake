# Host-native build tools and the art they produce (sample cursors, program icons).
# Defines: target dovex_art (all files under DOVEX_ART_DIR), variable DOVEX_ART_DIR, and DOVEX_XPROBE, the
# path of the X probe the end-to-end tests use.
set(DOVEX_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(_dovex_host_dir ${CMAKE_CURRENT_LIST_DIR})

if(CMAKE_CROSSCOMPILING)
    # The generator must run here, so it is its own project built with the host compiler; the cross
    # compiler, its flags and the toolchain file must not reach it.
    include(ExternalProject)
    find_program(DOVEX_HOST_CXX NAMES g++ c++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(_dovex_host_bin ${CMAKE_BINARY_DIR}/host-tools)
    set(DOVEX_ARTGEN ${_dovex_host_bin}/dovex_artgen)
    ExternalProject_Add(dovex_host_tools
        SOURCE_DIR ${_dovex_host_dir}
        BINARY_DIR ${_dovex_host_bin}
        CMAKE_COMMAND ${CMAKE_COMMAND} -E env --unset=CC --unset=CXX --unset=CFLAGS --unset=CXXFLAGS
            --unset=LDFLAGS --unset=CMAKE_TOOLCHAIN_FILE ${CMAKE_COMMAND}
        CMAKE_GENERATOR ${CMAKE_GENERATOR}
        CMAKE_CACHE_ARGS
            -DCMAKE_CXX_COMPILER:FILEPATH=${DOVEX_HOST_CXX}
            -DCMAKE_BUILD_TYPE:STRING=Release
            -DDOVEX_SOURCE_ROOT:PATH=${CMAKE_SOURCE_DIR}
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${DOVEX_ARTGEN} ${_dovex_host_bin}/dovex_xprobe
        USES_TERMINAL_BUILD ON)
    set(_dovex_artgen_cmd ${DOVEX_ARTGEN})
    set(DOVEX_XPROBE ${_dovex_host_bin}/dovex_xprobe)
    set(_dovex_artgen_deps dovex_host_tools ${DOVEX_ARTGEN})
else()
    set(DOVEX_SOURCE_ROOT ${CMAKE_SOURCE_DIR})
    add_subdirectory(${_dovex_host_dir} ${CMAKE_BINARY_DIR}/host-tools)
    set(_dovex_artgen_cmd dovex_artgen)
    set(DOVEX_XPROBE $<TARGET_FILE:dovex_xprobe>)
    set(_dovex_artgen_deps dovex_artgen)
endif()

set(DOVEX_SAMPLE_NAMES
    star32 ball32 clock32 ring32 hourglass32 heart32 arrow32 dots32 moon32 bubbles32
    star48 dots48 clock64 heart64 moon64)
set(_dovex_art_files
    ${DOVEX_ART_DIR}/MAINICON.ico ${DOVEX_ART_DIR}/Z_NORMAL.ico ${DOVEX_ART_DIR}/Z_PAUSE.ico
    ${DOVEX_ART_DIR}/samples/manifest.tsv ${DOVEX_ART_DIR}/tool.ico ${DOVEX_ART_DIR}/logo.bmp)
foreach(_n IN ITEMS 00 01 02 03 04 05 06 07 08 09 10)
    list(APPEND _dovex_art_files ${DOVEX_ART_DIR}/anim${_n}.ico)
endforeach()
foreach(_n RANGE 5)
    list(APPEND _dovex_art_files ${DOVEX_ART_DIR}/menu${_n}.ico)
endforeach()
foreach(_n IN ITEMS 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 group)
    list(APPEND _dovex_art_files ${DOVEX_ART_DIR}/pl${_n}.ico)
endforeach()
foreach(_n IN LISTS DOVEX_SAMPLE_NAMES)
    list(APPEND _dovex_art_files ${DOVEX_ART_DIR}/samples/${_n}.ani)
endforeach()
set(DOVEX_SAMPLE_FILES ${_dovex_art_files})
list(FILTER DOVEX_SAMPLE_FILES INCLUDE REGEX "\\.ani$")
foreach(_n IN LISTS DOVEX_SAMPLE_NAMES)
    list(APPEND _dovex_art_files ${DOVEX_ART_DIR}/fuzz-seeds/${_n}.ani)
endforeach()

add_custom_command(OUTPUT ${_dovex_art_files}
    COMMAND ${_dovex_artgen_cmd} ${DOVEX_ART_DIR}
    DEPENDS ${_dovex_artgen_deps}
    COMMENT "Drawing sample cursors and icons"
    VERBATIM)
add_custom_target(dovex_art ALL DEPENDS ${_dovex_art_files})
