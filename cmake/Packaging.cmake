# SPDX-License-Identifier: MIT
# Installation and the Debian package.
#
# Layout under the prefix:
#   lib/quarnel/            the program folder: quarnel32, quarnel, style.css, help/, icons/, images/
#   bin/quarnel32, bin/quarnel   relative symbolic links into the program folder
#   share/applications/     the menu entry, the "open folder with" entry and the entry that opens
#                           parameter files
#   share/icons/hicolor/    the application icon (scalable, and PNGs at fixed sizes)
#   share/man/man1/         the manual pages
#   share/doc/quarnel/      the copyright file and the changelog, as Debian keeps them
#   share/metainfo/         what software centres show of the program (AppStream)
#   share/mime/packages/    the file type of parameter files (shared-mime-info)
#   share/bash-completion/completions/   completion of the console program's command line
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

# Text files Debian keeps gzipped (-n: no name or time stamp, so builds are repeatable). Adds
# the compressed file to the list named `outputs`, or the file itself when there is no gzip.
find_program(QUARNEL_GZIP gzip)
function(quarnel_gzip file outputs)
  if(QUARNEL_GZIP)
    get_filename_component(folder ${file} DIRECTORY)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${file}.gz
      COMMAND ${QUARNEL_GZIP} -9 -n -f -k ${name}
      WORKING_DIRECTORY ${folder}
      DEPENDS ${file}
      COMMENT "Compressing ${name}"
      VERBATIM)
    set(${outputs} ${${outputs}} ${file}.gz PARENT_SCOPE)
  else()
    set(${outputs} ${${outputs}} ${file} PARENT_SCOPE)
  endif()
endfunction()

# Manual pages.
set(quarnel_man_pages quarnel.1)
if(QUARNEL_APP)
  list(APPEND quarnel_man_pages quarnel32.1)
endif()
set(quarnel_man_outputs)
foreach(page ${quarnel_man_pages})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${page}.in ${QUARNEL_PACKAGING_DIR}/man/${page} @ONLY)
  quarnel_gzip(${QUARNEL_PACKAGING_DIR}/man/${page} quarnel_man_outputs)
endforeach()
add_custom_target(quarnel_man_pages ALL DEPENDS ${quarnel_man_outputs})
install(FILES ${quarnel_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's maintainer, who signs the changelog too.
set(quarnel_default_contact "Quarnel developers <developers@quarnel.org>")
set(QUARNEL_PACKAGE_CONTACT "${quarnel_default_contact}" CACHE STRING
  "The package's maintainer, as \"Name <address>\"")
# Build folders configured before kept the earlier default, an address on localhost.
if(QUARNEL_PACKAGE_CONTACT STREQUAL "Quarnel developers <quarnel@localhost>")
  set_property(CACHE QUARNEL_PACKAGE_CONTACT PROPERTY VALUE "${quarnel_default_contact}")
endif()
# The package's name, not the project's: CMAKE_INSTALL_DOCDIR would be share/doc/Quarnel.
set(quarnel_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/quarnel)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${QUARNEL_PACKAGING_DIR}/doc/changelog @ONLY)
set(quarnel_doc_outputs)
quarnel_gzip(${QUARNEL_PACKAGING_DIR}/doc/changelog quarnel_doc_outputs)
add_custom_target(quarnel_doc ALL DEPENDS ${quarnel_doc_outputs})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${quarnel_doc_outputs} DESTINATION ${quarnel_doc_dir})

# Completion of the console program's options, switches and parameter files.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quarnel.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quarnel)

if(QUARNEL_APP)
  # Desktop integration: the menu entry, the folder and parameter-file entries and the
  # application icon.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quarnel32.desktop ${PROJECT_SOURCE_DIR}/packaging/quarnel32-folder.desktop
    ${PROJECT_SOURCE_DIR}/packaging/quarnel32-parameters.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # Parameter files are a file type of their own, opened by quarnel32-parameters.desktop.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quarnel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

  # Software-centre metadata. The screenshots are those of docs/screenshots, published under
  # the base address.
  set(QUARNEL_APPSTREAM_ID org.quarnel.Quarnel)
  set(QUARNEL_SCREENSHOT_BASE_URL "https://quarnel.org/screenshots/${PROJECT_VERSION}" CACHE STRING
    "Where the pictures of docs/screenshots are published, for the software-centre metadata")
  set(QUARNEL_METAINFO ${QUARNEL_PACKAGING_DIR}/${QUARNEL_APPSTREAM_ID}.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${QUARNEL_APPSTREAM_ID}.metainfo.xml.in ${QUARNEL_METAINFO} @ONLY)
  install(FILES ${QUARNEL_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
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

  # The pictures of docs/screenshots, taken from the real window offscreen by
  # scripts/screenshots.sh. Not installed.
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(quarnel_screenshots ${PROJECT_SOURCE_DIR}/packaging/screenshots.cpp)
  target_link_libraries(quarnel_screenshots PRIVATE quarnel_app Qt6::Test)
endif()

# ---------------------------------------------------------------------------------------------
# The Debian package: cd <build> && cpack -G DEB

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
