# What `cmake --install` puts where on a Debian system, and the .deb that CPack makes of it
# (`cpack -G DEB` in a build folder; scripts/package does it for the release preset).
include(GNUInstallDirs)

set(KORVATH_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(KORVATH_PACKAGE_FILES_DIR "${CMAKE_BINARY_DIR}/packaging")
set(KORVATH_DATA_DIR "${CMAKE_INSTALL_DATADIR}/korvath")
set(KORVATH_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/korvath")
set(KORVATH_ICON_DIR "${CMAKE_INSTALL_DATADIR}/icons/hicolor")

install(TARGETS korvath-cli korvath-demo-engine RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(TARGET korvath)
  install(TARGETS korvath RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${KORVATH_PACKAGING_DIR}/korvath.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
endif()
# The programs recognise an installed copy of themselves by this catalogue beside bin/.
install(FILES "${PROJECT_SOURCE_DIR}/data/regions.html" DESTINATION "${KORVATH_DATA_DIR}")
install(FILES "${KORVATH_PACKAGING_DIR}/copyright" DESTINATION "${KORVATH_DOC_DIR}")

# Manual pages and the changelog go compressed, without a time stamp, so a rebuild gives the
# same bytes.
set(package_files)
foreach(source korvath.1 korvath-cli.1 korvath-demo-engine.1 changelog)
  set(packed "${KORVATH_PACKAGE_FILES_DIR}/${source}.gz")
  add_custom_command(
    OUTPUT "${packed}"
    COMMAND gzip -9 -n -c "${KORVATH_PACKAGING_DIR}/${source}" > "${packed}"
    DEPENDS "${KORVATH_PACKAGING_DIR}/${source}"
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND package_files "${packed}")
endforeach()
install(FILES "${KORVATH_PACKAGE_FILES_DIR}/korvath-cli.1.gz"
              "${KORVATH_PACKAGE_FILES_DIR}/korvath-demo-engine.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
if(TARGET korvath)
  install(FILES "${KORVATH_PACKAGE_FILES_DIR}/korvath.1.gz"
          DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()
install(FILES "${KORVATH_PACKAGE_FILES_DIR}/changelog.gz" DESTINATION "${KORVATH_DOC_DIR}")

# The icon is drawn once as an SVG; the PNG sizes that menus and docks ask for are rendered from
# it here rather than kept in the repository.
install(FILES "${KORVATH_PACKAGING_DIR}/korvath.svg" DESTINATION "${KORVATH_ICON_DIR}/scalable/apps")
find_program(KORVATH_RSVG_CONVERT rsvg-convert)
if(KORVATH_RSVG_CONVERT)
  foreach(size 16 24 32 48 64 128 256)
    set(icon "${KORVATH_PACKAGE_FILES_DIR}/icons/${size}x${size}/korvath.png")
    add_custom_command(
      OUTPUT "${icon}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${KORVATH_PACKAGE_FILES_DIR}/icons/${size}x${size}"
      COMMAND "${KORVATH_RSVG_CONVERT}" --width ${size} --height ${size} --output "${icon}"
              "${KORVATH_PACKAGING_DIR}/korvath.svg"
      DEPENDS "${KORVATH_PACKAGING_DIR}/korvath.svg"
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND package_files "${icon}")
    install(FILES "${icon}" DESTINATION "${KORVATH_ICON_DIR}/${size}x${size}/apps")
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: the package gets the scalable icon only")
endif()
add_custom_target(korvath_package_files ALL DEPENDS ${package_files})

set(CPACK_PACKAGE_NAME korvath)
set(CPACK_PACKAGE_VENDOR "Korvath developers")
set(CPACK_PACKAGE_CONTACT "Korvath developers <korvath@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect advertisers' contacts from search result pages")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Korvath walks a search engine's ad result pages for every query in every
ticked region, fetches each ad's contact card and collects company, city,
address, phone and e-mail into a Windows-1251 CSV table that opens straight
in Excel. It comes as a desktop window (korvath), a command-line front end
for machines without a display (korvath-cli) and a local stand-in for the
search engine to try it with (korvath-demo-engine).")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET korvath)
  # Qt loads the platform plugin that draws the window at run time, which dpkg-shlibdeps cannot
  # see in the program's own links.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # Qt's own texts in the window (context menus, message box buttons) in Russian.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
