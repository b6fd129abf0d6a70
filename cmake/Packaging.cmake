# Installation and the Debian package.
#
# Layout under the prefix:
#   lib/quarnel/            the program folder: quarnel32, quarnel, style.css, help/, icons/, images/
#   bin/quarnel32, bin/quarnel   relative symbolic links into the program folder
#   share/applications/     the menu entry and the "open folder with" entry
#   share/icons/hicolor/    the application icon (scalable, and PNGs at fixed sizes)
#   share/man/man1/         the manual pages
# The programs find their folder from their own executable's real path, so the links on the
# PATH, the build tree and a copied program folder all work alike.

include(GNUInstallDirs)

# Not CMAKE_INSTALL_LIBDIR: on Debian that is the multiarch library folder, and this folder holds
# a program, not libraries.
set(QUARNEL_INSTALL_PROGRAMDIR "lib/quarnel" CACHE STRING
  "The program folder (executables and their own files), relative to the installation prefix")

set(QUARNEL_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
set(QUARNEL_EXECUTABLES quarnel)
if(QUARNEL_APP)
  list(APPEND QUARNEL_EXECUTABLES quarnel32)
endif()

# The executables and their own files.
install(TARGETS ${QUARNEL_EXECUTABLES} RUNTIME DESTINATION ${QUARNEL_INSTALL_PROGRAMDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/ DESTINATION ${QUARNEL_INSTALL_PROGRAMDIR}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The commands on the PATH: relative links, made here and installed as links, so that the installed
# tree can be moved (or staged by DESTDIR) as a whole.
if(IS_ABSOLUTE "${QUARNEL_INSTALL_PROGRAMDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
  set(quarnel_link_base "${QUARNEL_INSTALL_PROGRAMDIR}")
else()
  file(RELATIVE_PATH quarnel_link_base "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${QUARNEL_INSTALL_PROGRAMDIR}")
endif()
foreach(program ${QUARNEL_EXECUTABLES})
  file(MAKE_DIRECTORY ${QUARNEL_PACKAGING_DIR}/bin)
  file(CREATE_LINK "${quarnel_link_base}/${program}" ${QUARNEL_PACKAGING_DIR}/bin/${program} SYMBOLIC)
  install(FILES ${QUARNEL_PACKAGING_DIR}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Manual pages, gzipped as Debian keeps them (-n: no name or time stamp, so builds are repeatable).
find_program(QUARNEL_GZIP gzip)
set(quarnel_man_pages quarnel.1)
if(QUARNEL_APP)
  list(APPEND quarnel_man_pages quarnel32.1)
endif()
set(quarnel_man_outputs)
foreach(page ${quarnel_man_pages})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page}.in ${QUARNEL_PACKAGING_DIR}/man/${page} @ONLY)
  if(QUARNEL_GZIP)
    add_custom_command(OUTPUT ${QUARNEL_PACKAGING_DIR}/man/${page}.gz
      COMMAND ${QUARNEL_GZIP} -9 -n -f -k ${page}
      WORKING_DIRECTORY ${QUARNEL_PACKAGING_DIR}/man
      DEPENDS ${QUARNEL_PACKAGING_DIR}/man/${page}
      COMMENT "Compressing the manual page ${page}"
      VERBATIM)
    list(APPEND quarnel_man_outputs ${QUARNEL_PACKAGING_DIR}/man/${page}.gz)
  else()
    list(APPEND quarnel_man_outputs ${QUARNEL_PACKAGING_DIR}/man/${page})
  endif()
endforeach()
add_custom_target(quarnel_man_pages ALL DEPENDS ${quarnel_man_outputs})
install(FILES ${quarnel_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(QUARNEL_APP)
  # Desktop integration: the menu entry, the folder entry and the application icon.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quarnel32.desktop ${PROJECT_SOURCE_DIR}/packaging/quarnel32-folder.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quarnel.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # Fixed-size icons for menus that do not draw SVG, rendered from the same drawing by Qt's own
  # SVG reader (the image-format plugin of libqt6svg6).
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(quarnel_render_icon ${PROJECT_SOURCE_DIR}/packaging/render-icon.cpp)
  target_link_libraries(quarnel_render_icon PRIVATE Qt6::Gui)
  set(quarnel_icon_outputs)
  foreach(size 48 256)
    set(png ${QUARNEL_PACKAGING_DIR}/icons/${size}x${size}/quarnel.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QUARNEL_PACKAGING_DIR}/icons/${size}x${size}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              $<TARGET_FILE:quarnel_render_icon> ${PROJECT_SOURCE_DIR}/resources/icons/quarnel.svg ${size} ${png}
      DEPENDS quarnel_render_icon ${PROJECT_SOURCE_DIR}/resources/icons/quarnel.svg
      COMMENT "Rendering the ${size}x${size} application icon"
      VERBATIM)
    list(APPEND quarnel_icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(quarnel_icons ALL DEPENDS ${quarnel_icon_outputs})
endif()

# ---------------------------------------------------------------------------------------------
# The Debian package: cd <build> && cpack -G DEB

set(QUARNEL_PACKAGE_CONTACT "Quarnel developers <quarnel@localhost>" CACHE STRING
  "The package's maintainer, as \"Name <address>\"")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VENDOR "Quarnel")
set(CPACK_PACKAGE_CONTACT "${QUARNEL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search the files of folders for text, view and replace the hits")
# Lines of at most 80 characters; an empty line separates paragraphs.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quarnel searches the files of one or more folders for a regular expression,\n"
  "a plain text or a word that sounds like a given word. It lists the files that\n"
  "match, shows the hits in context, opens a file in an editor at the matching\n"
  "line, exports and prints the results, searches inside ZIP archives, and\n"
  "replaces the found text with confirmation and backups. Searches can be kept\n"
  "in parameter files.\n"
  "\n"
  "The package holds the desktop program quarnel32 and the console program\n"
  "quarnel, which runs the same search from scripts and prints the matching\n"
  "lines, as JSON or as CSV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The libraries the executables link (Qt 6, RE2, zlib, the C++ runtime) come from dpkg-shlibdeps
# when it is there (package dpkg-dev); otherwise they are listed by hand with their Debian 12 names.
find_program(QUARNEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(quarnel_depends)
if(QUARNEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND quarnel_depends "libc6" "libstdc++6" "libgcc-s1" "libre2-9" "zlib1g")
  if(QUARNEL_APP)
    list(APPEND quarnel_depends "libqt6core6 (>= 6.4)" "libqt6gui6 (>= 6.4)" "libqt6widgets6 (>= 6.4)"
      "libqt6printsupport6 (>= 6.4)")
  endif()
endif()
if(QUARNEL_APP)
  # Loaded at run time, not linked: the SVG plugins draw the program's icons and pictures, and the
  # icon theme supplies the toolbar glyphs.
  list(APPEND quarnel_depends "libqt6svg6" "adwaita-icon-theme")
endif()
list(JOIN quarnel_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The default editor command opens a file with the desktop's program for it (xdg-open).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
