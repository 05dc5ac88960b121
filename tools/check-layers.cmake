# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file of the core includes a layer above its own, or any Qt header:
# settings < imaging < batch, and the window, the app and the CLI sit on top of all three.
# Run by the build: cmake -DSOURCE_DIR=<src> -P check-layers.cmake
set(above_settings "imaging|batch|window|app|cli")
set(above_imaging "batch|window|app|cli")
set(above_batch "window|app|cli")
set(faults "")
foreach(layer settings imaging batch)
    file(GLOB files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "[\"<](${above_${layer}})/" OR line MATCHES "<Q[A-Za-z]*(/|>)")
                string(APPEND faults "\n  ${file}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "A core file includes a layer above its own:${faults}")
endif()
