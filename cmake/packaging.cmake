# SPDX-License-Identifier: MIT
# The menu entry, icons, AppStream metadata and manual page that `cmake --install` puts next to the program, and the
# Debian package that `cpack -G DEB` makes of the same files and the Debian copyright and changelog. Nothing
# installed here starts the program on login: that stays the user's choice (see the README).

if(NOT UNIX OR APPLE)
    return()
endif()

include(GNUInstallDirs)

set(quorlen_packaging_dir ${CMAKE_CURRENT_LIST_DIR}/../packaging)
# The sizes packaging/make_icons.py writes; menus and launchers pick the nearest one.
set(quorlen_icon_sizes 16 32 48 64 128)

# Software centres find the program by its AppStream ID, which names the desktop entry and the metadata file alike.
set(quorlen_appstream_id org.example.quorlen)
install(FILES ${quorlen_packaging_dir}/${quorlen_appstream_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${quorlen_packaging_dir}/${quorlen_appstream_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS quorlen_icon_sizes)
    install(FILES ${quorlen_packaging_dir}/icons/quorlen-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quorlen.png)
endforeach()

# Compressed as Debian wants them (best compression, no name or time inside), which man reads everywhere.
find_program(QUORLEN_GZIP gzip REQUIRED)
mark_as_advanced(QUORLEN_GZIP)
function(quorlen_gzip source target)
    execute_process(COMMAND ${QUORLEN_GZIP} -9 --no-name --stdout ${source} OUTPUT_FILE ${target}
                    COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()
quorlen_gzip(${quorlen_packaging_dir}/quorlen.1 ${CMAKE_BINARY_DIR}/quorlen.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/quorlen.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Qt loads its platform and image plug-ins at run time, so dpkg-shlibdeps never sees them. Each Debian package
# that holds one of the plug-ins the program needs becomes a dependency, unless it is a package that already
# holds a Qt library the program links (shlibdeps names those with their versions).
function(quorlen_owning_package file out_var)
    set(${out_var} "" PARENT_SCOPE)
    if(NOT file OR NOT EXISTS ${file})
        return()
    endif()
    execute_process(COMMAND dpkg-query --search ${file} OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    # The answer reads "package:arch: /path"; only a single owner is a clear answer.
    if(status EQUAL 0 AND owner MATCHES "^([a-z0-9][a-z0-9+.-]+)(:[a-z0-9-]+)?: ")
        set(${out_var} ${CMAKE_MATCH_1} PARENT_SCOPE)
    endif()
endfunction()

function(quorlen_library_owner target out_var)
    get_target_property(file ${target} LOCATION)
    quorlen_owning_package("${file}" owner)
    set(${out_var} ${owner} PARENT_SCOPE)
endfunction()

function(quorlen_runtime_plugin_packages out_var)
    set(linked_owners "")
    foreach(library IN ITEMS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::DBus)
        quorlen_library_owner(${library} owner)
        list(APPEND linked_owners ${owner})
    endforeach()
    # The X11 platform, and the readers of the window's ICO/CUR pictures and of the GIF and JPEG wallpapers.
    set(plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
    set(packages "")
    foreach(plugin IN ITEMS platforms/libqxcb.so imageformats/libqico.so imageformats/libqgif.so
                            imageformats/libqjpeg.so)
        quorlen_owning_package(${plugin_dir}/${plugin} owner)
        if(NOT owner)
            message(STATUS "Debian package: no package owns the Qt plug-in ${plugin}; add it to Depends by hand")
        elseif(NOT owner IN_LIST linked_owners)
            list(APPEND packages ${owner})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES packages)
    set(${out_var} ${packages} PARENT_SCOPE)
endfunction()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorlen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorlen")
# The project's own address, as the About box gives it.
set(CPACK_PACKAGE_CONTACT "Quorlen developers <support@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray wallpaper switcher for Linux desktops")
# Debian wants the long description in lines of under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quorlen waits in the system tray and switches the desktop wallpaper to the\n"
    "next picture of a chosen folder every so many seconds, in a shuffled order.\n"
    "It reads GIF, BMP and JPEG pictures and sets them on GNOME, Unity, Budgie,\n"
    "Pantheon, Cinnamon, MATE, KDE Plasma, Xfce and any other X11 session.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorlen.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland platform lets the window run natively in a Wayland session (XWayland serves without it); swaybg can
# show the temp.bmp that the program keeps writing where the compositor takes no wallpaper from it; stock GNOME
# Shell shows tray icons only with the AppIndicator extension.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "swaybg, gnome-shell-extension-appindicator")

# The copyright and changelog that every Debian package carries, and its lintian overrides, in the package only: they
# are a component that a plain `cmake --install` leaves out, and CPack packs both components into the one package.
set(quorlen_debian_dir ${quorlen_packaging_dir}/debian)
file(STRINGS ${quorlen_debian_dir}/changelog quorlen_changelog_head LIMIT_COUNT 1)
set(quorlen_package_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
if(NOT quorlen_changelog_head MATCHES "^${CPACK_PACKAGE_NAME} \\(${quorlen_package_version}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog does not begin with an entry for ${quorlen_package_version}")
endif()
quorlen_gzip(${quorlen_debian_dir}/changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
install(FILES ${quorlen_debian_dir}/copyright ${CMAKE_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${quorlen_debian_dir}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${CPACK_PACKAGE_NAME} COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)
# The menu and icon caches are refreshed by dpkg triggers of the tools that keep them, so the package needs no
# maintainer scripts.

find_program(QUORLEN_DPKG_QUERY dpkg-query)
mark_as_advanced(QUORLEN_DPKG_QUERY)
if(QUORLEN_DPKG_QUERY AND DEFINED QT6_INSTALL_PLUGINS)
    quorlen_runtime_plugin_packages(quorlen_plugin_packages)
    list(JOIN quorlen_plugin_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()

include(CPack)
