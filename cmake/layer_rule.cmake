# SPDX-License-Identifier: MIT
# The layer rule. Each layer is a folder of src/ and a static library named quorlen_<folder>, built only on the
# layers below it; src/ is the include root of all of them, and an include names its folder ("core/clock.h"). A
# layer's files may include only from its own folder and from the folders of the layers it is built on:
#
#   quorlen_layer(<folder> [BUILT_ON <folder>...])
#
# links quorlen_<folder> to the layers it is built on, and that list is the whole rule for the folder. At the end of
# the folder's CMakeLists.txt, when its files and its subfolders' are all listed, it adds a build step that checks
# every quoted #include of those files against the rule (cmake/check_includes.cmake, a script that runs wherever
# CMake does). The step runs before the layer's files compile, and again whenever one of them changes; a wrong
# include fails the build with the file, the include and the rule.

set(QUORLEN_CHECK_INCLUDES ${CMAKE_CURRENT_LIST_DIR}/check_includes.cmake)

function(quorlen_layer folder)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "BUILT_ON")
    foreach(layer IN LISTS arg_BUILT_ON)
        target_link_libraries(quorlen_${folder} PUBLIC quorlen_${layer})
    endforeach()
    # Kept for the test that proves the check refuses what the rule forbids.
    set_property(GLOBAL PROPERTY quorlen_layer_${folder} ${folder} ${arg_BUILT_ON})
    # Deferred arguments are read when the call runs, so the values are written into the call now.
    cmake_language(EVAL CODE "cmake_language(DEFER CALL quorlen_check_layer [[${folder}]] [[${arg_BUILT_ON}]])")
endfunction()

# The build step of quorlen_layer, over the files the layer's target lists by now.
function(quorlen_check_layer folder built_on)
    set(target quorlen_${folder})
    set(root ${PROJECT_SOURCE_DIR}/src)
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(files "")
    foreach(source IN LISTS sources)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir})
        cmake_path(IS_PREFIX root ${source} in_src)
        if(in_src AND source MATCHES "\\.(h|cpp)$")
            list(APPEND files ${source})
        endif()
    endforeach()
    # Lists go as one argument each, "|" between the items.
    list(JOIN files "|" file_argument)
    set(allowed ${folder} ${built_on})
    list(JOIN allowed "|" allowed_argument)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
    add_custom_command(OUTPUT ${stamp}
                       COMMAND ${CMAKE_COMMAND} -D ROOT=${root} -D "ALLOWED=${allowed_argument}"
                               -D "FILES=${file_argument}" -P ${QUORLEN_CHECK_INCLUDES}
                       COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
                       DEPENDS ${files} ${QUORLEN_CHECK_INCLUDES}
                       COMMENT "Checking the includes of src/${folder}/ against the layers"
                       VERBATIM)
    target_sources(${target} PRIVATE ${stamp})
endfunction()
