# Installing the program as a desktop program, and its Debian package.
#
#   cmake --install build --prefix /usr        (or DESTDIR=... for a staging folder)
#   cd build && cpack -G DEB
#
# Nothing installed depends on the build folder: the program carries its
# pictures and icon sizes, and finds the fonts it asks for in the system's
# font folders.
include(GNUInstallDirs)

set(VERDANE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(VERDANE_ICON_DIR ${CMAKE_SOURCE_DIR}/resources/icons)
set(VERDANE_ICON_SIZES 16 22 24 32 48 64 128 256)
# Named after the package, as Debian wants.
set(VERDANE_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/verdane)

install(TARGETS Verdane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT UNIX OR APPLE) # on Linux the copyright file below carries the licence
  install(FILES LICENSE DESTINATION ${VERDANE_DOCDIR})
endif()

if(UNIX AND NOT APPLE)
  install(FILES ${VERDANE_PACKAGING_DIR}/${VERDANE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VERDANE_PACKAGING_DIR}/${VERDANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${VERDANE_ICON_DIR}/${VERDANE_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size IN LISTS VERDANE_ICON_SIZES)
    install(FILES ${VERDANE_ICON_DIR}/${size}x${size}/${VERDANE_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()

  # Manual page and changelog compressed as Debian expects (-n: no
  # time stamp, so the package is the same from one build to the next).
  find_program(GZIP_EXECUTABLE gzip REQUIRED)
  set(man_gz ${CMAKE_BINARY_DIR}/packaging/Verdane.1.gz)
  set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(
    OUTPUT ${man_gz} ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP_EXECUTABLE} -9n -c ${VERDANE_PACKAGING_DIR}/Verdane.1 > ${man_gz}
    COMMAND ${GZIP_EXECUTABLE} -9n -c ${VERDANE_PACKAGING_DIR}/debian/changelog > ${changelog_gz}
    DEPENDS ${VERDANE_PACKAGING_DIR}/Verdane.1 ${VERDANE_PACKAGING_DIR}/debian/changelog
    VERBATIM)
  add_custom_target(verdane_packaging_files ALL DEPENDS ${man_gz} ${changelog_gz})
  install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md ${VERDANE_PACKAGING_DIR}/debian/copyright ${changelog_gz}
          DESTINATION ${VERDANE_DOCDIR})
endif()

# ---- Debian package ---------------------------------------------------------
set(VERDANE_PACKAGE_MAINTAINER "The Verdane developers <maintainers@verdane.org>"
    CACHE STRING "Maintainer field of the Debian package (name <e-mail>)")

set(CPACK_PACKAGE_NAME verdane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Verdane developers")
set(CPACK_PACKAGE_CONTACT ${VERDANE_PACKAGE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # verdane_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VERDANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_LICENSE MIT)
# Libraries from the binary itself; the faces the program's style asks for
# are not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fonts-dejavu-core")
# Qt's own French texts for its standard buttons and dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[lookup tool for French medicinal products (CIS file)
Verdane is a French-language desktop lookup tool over a local copy of the
public list of medicinal products (the CIS file) of the French medicines
agency. Type part of a product name and see every matching product, whether
it is marketed, and its authorisation status; open the agency's product page
or a drug-reference search in the browser; bring in a newer file by dropping
it on the window.

Outil de recherche, en français, dans une copie locale de la liste publique
des spécialités pharmaceutiques (fichier « CIS ») de l'agence française du
médicament. Tapez une partie d'un nom : chaque produit correspondant
s'affiche, avec sa commercialisation et son statut d'autorisation ; ouvrez sa
fiche sur le site de l'agence ou une recherche dans un dictionnaire des
médicaments ; importez un fichier plus récent en le déposant sur la fenêtre.]=])
include(CPack)
