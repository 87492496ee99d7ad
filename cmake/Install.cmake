# Installing and packaging. `cmake --install BUILD --prefix P` puts the
# programs into P/bin, their preset folders into P/share/glimworks (where an
# installed program finds them, see platform/ProgramFolder.h), a desktop
# entry for each into P/share/applications and their icons into
# P/share/icons/hicolor. `cpack -G DEB` packs the same for /usr.
include(GNUInstallDirs)

set(GW_DATA_DIR ${CMAKE_INSTALL_DATADIR}/glimworks)

# The installed programs find the data folder relative to their own.
file(RELATIVE_PATH _gw_data_from_bin /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${GW_DATA_DIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/ProgramFolder.cpp PROPERTIES
  COMPILE_DEFINITIONS "GW_INSTALLED_DATA_FOLDER=\"${_gw_data_from_bin}\"")

# gw_install_program(name extension): the program, its preset files (by
# extension, with their folders), its desktop entry and its icons.
function(gw_install_program name extension)
  if(NOT TARGET ${name})
    return()
  endif()
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_BINARY_DIR}/${name} DESTINATION ${GW_DATA_DIR}
    FILES_MATCHING PATTERN "*${extension}")
  install(FILES ${CMAKE_SOURCE_DIR}/${name}/${name}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
    FILES_MATCHING PATTERN "${name}.png")
endfunction()

gw_install_program(glimmo .glw)
gw_install_program(mozaro .mzo)

set(CPACK_PACKAGE_NAME glimworks)
set(CPACK_PACKAGE_CONTACT "Glimworks developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Glimmo web button designer and Mozaro seamless tile generator")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries come from dpkg-shlibdeps (package dpkg-dev); the caption
# fonts and the icon theme's folders are not linked, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, hicolor-icon-theme")
include(CPack)
