# SPDX-License-Identifier: MIT
# The Windows program built with MinGW-w64 (cmake/mingw-w64.cmake): the DLLs it needs at run time, how Wine finds
# them when it runs the tests from the build folder, and the ZIP that a Windows user unpacks and starts.

if(NOT WIN32 OR NOT MINGW)
    return()
endif()

# MinGW's g++ spends most of each file reading Qt's and Windows' headers, so the libraries' files are compiled
# several at a time. The Linux build compiles every file alone, so a missing include still shows there.
set_target_properties(quorlen_core quorlen_pictures quorlen_switching quorlen_platform quorlen_app quorlen_ui
                      PROPERTIES UNITY_BUILD ON)

set(quorlen_qt_bin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(quorlen_qt_plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})

# The compiler's own runtime, which the program and every Qt DLL import. The compiler knows where its copies are;
# it answers with the bare name when it has none.
set(quorlen_mingw_runtime_dlls "")
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    file(REAL_PATH "${found}" found)
    list(APPEND quorlen_mingw_runtime_dlls ${found})
endforeach()

# Wine runs the tests straight from the build folder: it finds the Qt and MinGW DLLs through WINEPATH, which it adds
# to the Windows PATH, and Qt then finds its plug-ins beside its own DLLs. The tests' prefix is the build folder's
# own, away from the user's ~/.wine; the overrides keep Wine's first start from offering to install Mono and Gecko.
# Wine hands no QT_* variable of the Linux side to a Windows program, but passes WINEQT_* on as QT_*.
set(quorlen_wine_test_environment "")
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(QUORLEN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix that the tests run in")
    set(runtime_dirs ${quorlen_qt_bin_dir})
    foreach(dll IN LISTS quorlen_mingw_runtime_dlls)
        get_filename_component(dir ${dll} DIRECTORY)
        list(APPEND runtime_dirs ${dir})
    endforeach()
    list(REMOVE_DUPLICATES runtime_dirs)
    # Wine shows the Unix root as drive Z:.
    list(TRANSFORM runtime_dirs PREPEND "Z:")
    list(TRANSFORM runtime_dirs REPLACE "/" "\\\\")
    # An escaped ";" stays inside the one WINEPATH entry of a test's ENVIRONMENT.
    list(JOIN runtime_dirs "\\;" wine_path)
    set(quorlen_wine_test_environment "WINEPREFIX=${QUORLEN_WINEPREFIX}" "WINEDEBUG=-all"
                                      "WINEDLLOVERRIDES=mscoree,mshtml=" "WINEQT_QPA_PLATFORM=offscreen"
                                      "WINEPATH=${wine_path}")
endif()

# The ZIP: the program at its top with every DLL it loads beside it, the plug-ins in the folders Qt looks in: the
# Windows platform, the readers of the window's ICO and CUR pictures and of GIF and JPEG wallpapers, and the style
# that gives the controls the look of the Windows version at hand.
install(FILES ${quorlen_mingw_runtime_dlls} DESTINATION .)
foreach(qt_library IN ITEMS Core Gui Widgets Network)
    install(FILES $<TARGET_FILE:Qt6::${qt_library}> DESTINATION .)
endforeach()
install(FILES ${quorlen_qt_plugin_dir}/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${quorlen_qt_plugin_dir}/imageformats/qgif.dll ${quorlen_qt_plugin_dir}/imageformats/qico.dll
              ${quorlen_qt_plugin_dir}/imageformats/qjpeg.dll DESTINATION imageformats)
install(FILES ${quorlen_qt_plugin_dir}/styles/qwindowsvistastyle.dll DESTINATION styles)
# What a user reads first, and the licences of the program and of the libraries beside it. Named .txt, so that a
# double click opens them.
set(quorlen_windows_dir ${PROJECT_SOURCE_DIR}/packaging/windows)
install(FILES ${quorlen_windows_dir}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
install(DIRECTORY ${quorlen_windows_dir}/licenses/ DESTINATION licenses)
# Debian's MinGW runtime keeps its symbols (libstdc++-6.dll: 24 MB, 2 MB without), so a stripping install (the
# ZIP's) strips the copied DLLs too, not only the program.
install(CODE "set(quorlen_strip \"${CMAKE_STRIP}\")")
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP AND quorlen_strip)
        file(GLOB_RECURSE copied_dlls "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/*.dll")
        foreach(dll IN LISTS copied_dlls)
            execute_process(COMMAND "${quorlen_strip}" --strip-unneeded "${dll}" COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()
]])

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorlen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorlen")
set(CPACK_PACKAGE_FILE_NAME quorlen-${PROJECT_VERSION}-windows-x86_64)
# Unpacking gives one folder, not loose files among the user's downloads.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
# Named before CPack, which leaves its source package's name in CPACK_PACKAGE_FILE_NAME.
set(QUORLEN_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip)
include(CPack)
