# SPDX-License-Identifier: MIT
# Checks files against the layer rule (cmake/layer_rule.cmake): every quoted #include must name a folder that the
# files' layer may include from. Fails with one line for each include that does not, naming the file, the include
# and the rule.
#   cmake -D ROOT=<include root> -D "ALLOWED=<own folder>|<folder>..." -D "FILES=<file>|<file>..." -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" allowed "${ALLOWED}")
string(REPLACE "|" ";" files "${FILES}")
list(GET allowed 0 own)
list(TRANSFORM allowed APPEND "/" OUTPUT_VARIABLE shown_folders)
list(JOIN shown_folders ", " rule)
set(faults "")
foreach(file IN LISTS files)
    cmake_path(RELATIVE_PATH file BASE_DIRECTORY "${ROOT}" OUTPUT_VARIABLE shown_file)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" included "${line}")
        string(REGEX MATCH "^[^/]+/" folder "${included}")
        string(REGEX REPLACE "/$" "" folder "${folder}")
        if(NOT folder IN_LIST allowed)
            # Indented, so that CMake prints each on one line as it is.
            list(APPEND faults "  ${shown_file} includes \"${included}\": ${own}/ may include only from ${rule}")
        endif()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n" lines)
    message(FATAL_ERROR "includes against the layers:\n${lines}")
endif()
