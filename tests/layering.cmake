# Fails when a lower layer includes a header of a higher one. Run as: cmake -DROOT=<source dir> -P layering.cmake
# Layers, lowest first; a file may include its own layer and the ones below it.
set(rules
    "base|app/ playlist/ settings/ controls/ model/ anicursor/ hook/"
    "anicursor|app/ playlist/ settings/ controls/ model/ hook/"
    "model|app/ playlist/ settings/ controls/ hook/"
    "controls|app/ playlist/ settings/ hook/"
    "hook|app/ playlist/ settings/ controls/ model/ anicursor/"
    "playlist|app/ settings/"
    "settings|app/ playlist/")
set(violations "")
foreach(rule IN LISTS rules)
    string(REPLACE "|" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(GET parts 1 forbidden)
    string(REPLACE " " ";" forbidden "${forbidden}")
    file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.rc")
    foreach(f IN LISTS files)
        file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS includes)
            foreach(prefix IN LISTS forbidden)
                if(line MATCHES "\"${prefix}")
                    file(RELATIVE_PATH rel "${ROOT}" "${f}")
                    string(APPEND violations "  ${rel}: ${line}\n")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Lower layers include higher ones:\n${violations}")
endif()
message(STATUS "Layering: every include points down")
