# Layered libraries. Each layer is a static library with an explicit list of files, and it sees only the headers
# of its own layer and of the layers it is built on: every layer's headers are linked into an include tree of
# its own (build/layers/<target>/<folder>/<file>.h), and no layer has src/ itself on its include path. An
# #include against the direction of the layers therefore fails to compile.
#
#   quorlen_add_layer(<target> [HEADERS <file>...] [SOURCES <file>...] [USES <layer or library>...])
#
# Files are given relative to src/.
function(quorlen_add_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HEADERS;SOURCES;USES")
    set(include_root ${CMAKE_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${include_root})
    set(files "")
    foreach(header IN LISTS arg_HEADERS)
        set(source ${PROJECT_SOURCE_DIR}/src/${header})
        if(NOT EXISTS ${source})
            message(FATAL_ERROR "${target}: no header src/${header}")
        endif()
        get_filename_component(folder ${include_root}/${header} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(CREATE_LINK ${source} ${include_root}/${header} SYMBOLIC COPY_ON_ERROR)
        list(APPEND files ${source})
    endforeach()
    foreach(source IN LISTS arg_SOURCES)
        list(APPEND files ${PROJECT_SOURCE_DIR}/src/${source})
    endforeach()
    add_library(${target} STATIC ${files})
    target_include_directories(${target} PUBLIC ${include_root})
    target_link_libraries(${target} PUBLIC ${arg_USES})
endfunction()
