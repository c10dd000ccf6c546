# What a desktop and a package manager find besides the program (its install rules are beside
# its target): the icon as PNG at the sizes menus and panels ask for, the AppStream metadata, the
# input access rule an administrator may enable, and the Debian package made from all of it with
# `cmake --build <build> --target package`.
include(GNUInstallDirs)

set(zuv_packaging_dir ${PROJECT_SOURCE_DIR}/packaging/linux)
set(zuv_icon_svg ${zuv_packaging_dir}/zuvevivezid.svg)
set(zuv_icon_pngs)
foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/zuvevivezid.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND zuv-render-icon ${zuv_icon_svg} ${size} ${png}
        DEPENDS zuv-render-icon ${zuv_icon_svg} VERBATIM)
    list(APPEND zuv_icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(zuv_icon_pngs ALL DEPENDS ${zuv_icon_pngs})

install(FILES ${zuv_packaging_dir}/com.wendoka.zuvevivezid.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Shipped inactive: udev reads only its own rule folders, never this one.
install(FILES ${zuv_packaging_dir}/70-zuvevivezid-input-access.rules
    DESTINATION ${CMAKE_INSTALL_DATADIR}/zuvevivezid/udev)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zuvevivezid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Wendoka)
set(CPACK_PACKAGE_CONTACT Wendoka)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Time tracker for work sessions on a company's tasks")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the linked libraries do not name them: the QML modules the screens
# import, the Wayland platform plugin, the SVG icon engine, libsecret (opened by the keyring
# library when it first stores a secret) and the one font the design is drawn with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, \
qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtqml-workerscript, \
qt6-wayland, libqt6svg6, libsecret-1-0, fonts-dejavu-core")
# The sign-in is kept in a Secret Service keyring; Wayland screen capture goes through the desktop
# portal over PipeWire.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gnome-keyring | keepassxc, xdg-desktop-portal, \
xdg-desktop-portal-gtk | xdg-desktop-portal-backend, pipewire")
include(CPack)
