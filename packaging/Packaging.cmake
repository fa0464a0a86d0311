# Installation and the Debian package (`cmake --build build --target package`
# or scripts/package). Installed under a prefix, the programs are in bin and
# what they read is in share/padscope, which the programs find from their own
# path (platform/ProgramFolders.h); what they write goes to the user's data
# folder.
include(GNUInstallDirs)

set(padscope_share ${CMAKE_INSTALL_DATADIR}/padscope)
install(TARGETS padscope padscope-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/Padscope.xml DESTINATION ${padscope_share})
# The demo chip for --simulate=pelmira:/usr/share/padscope/demo.scn.
install(FILES ${PROJECT_SOURCE_DIR}/resources/demo.scn DESTINATION ${padscope_share})
if(NOT PADSCOPE_RELEASE_NUMBER STREQUAL "")
  install(FILES ${CMAKE_BINARY_DIR}/appCheck DESTINATION ${padscope_share})
endif()
if(PADSCOPE_INSTRUCTIONS_PDF)
  install(FILES ${PADSCOPE_INSTRUCTIONS_PDF} DESTINATION ${padscope_share})
endif()

# Desktop integration: the menu entry, which opens charts from the file
# manager, the chart file type and the icon at the theme's sizes.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/padscope.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/padscope-tkchart.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME padscope.xml)
set(padscope_icons ${CMAKE_BINARY_DIR}/icons)
add_executable(padscope-icons ${PROJECT_SOURCE_DIR}/tools/icons/IconsMain.cpp)
target_link_libraries(padscope-icons PRIVATE padscope_ui)
padscope_warnings(padscope-icons)
add_custom_command(OUTPUT ${padscope_icons}/256x256/padscope.png
  COMMAND padscope-icons ${padscope_icons}
  DEPENDS padscope-icons
  COMMENT "Drawing the program icon for the icon theme")
add_custom_target(padscope_icon_files ALL DEPENDS ${padscope_icons}/256x256/padscope.png)
foreach(size 16 32 48 64 128 256)
  install(FILES ${padscope_icons}/${size}x${size}/padscope.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The adapters' device nodes for the logged-in user.
install(FILES ${PROJECT_SOURCE_DIR}/resources/udev/70-padscope.rules
        DESTINATION lib/udev/rules.d)

# Manual pages, the changelog and the copyright file, compressed reproducibly
# (no name, no time stamp) as Debian wants them.
find_program(PADSCOPE_GZIP gzip REQUIRED)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(padscope_compressed)
foreach(source IN ITEMS ${CMAKE_CURRENT_LIST_DIR}/padscope.1 ${CMAKE_CURRENT_LIST_DIR}/padscope-cli.1
                        ${CMAKE_BINARY_DIR}/packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/packaging/gz/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/packaging/gz/${name}
    COMMAND ${PADSCOPE_GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/gz/${name}
    DEPENDS ${source} VERBATIM)
  list(APPEND padscope_compressed ${output})
endforeach()
add_custom_target(padscope_packaging_files ALL DEPENDS ${padscope_compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/gz/padscope.1.gz ${CMAKE_BINARY_DIR}/packaging/gz/padscope-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/gz/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/padscope)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME padscope)
set(CPACK_PACKAGE_VENDOR "The Padscope developers")
set(CPACK_PACKAGE_CONTACT "Padscope developers <padscope@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tune and monitor capacitive touch keys through a USB HID adapter")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Padscope captures the frames of a Pelmira or Corvex touch-key adapter live,
shows them as waveforms and per-key boxes, lets thresholds and ranges be
dragged, sends sensing parameters to the chip, records and replays chart
files and works with the recordings in the adapter's flash. padscope-cli
does the same from scripts, for production-line checks and firmware CI.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries (Qt 6, hidapi, tinyxml2, libsodium) are found by
# dpkg-shlibdeps; Qt's platform plugins are loaded at run time, so they are
# named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
