# The installed form of the game, laid out as Debian lays out games, and its Debian package.
# `cmake --install build --prefix /usr` installs it (configure with -DKENO_INSTALLED=ON so that
# the game keeps the player's data in the desktop's data folder); scripts/package.sh makes the
# .deb with CPack.
include(GNUInstallDirs)

set(KENO_APP_ID com.vorbel.Keno)
set(KENO_INSTALL_GAMESDIR games CACHE PATH "Folder of the game's executable, under the prefix")
set(KENO_ICON_SIZES 16 32 48 64 128 256)
if(IS_ABSOLUTE "${KENO_INSTALL_GAMESDIR}")
  set(KENO_INSTALL_FULL_GAMESDIR "${KENO_INSTALL_GAMESDIR}")
else()
  set(KENO_INSTALL_FULL_GAMESDIR "${CMAKE_INSTALL_PREFIX}/${KENO_INSTALL_GAMESDIR}")
endif()
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The icon: the game's green ball drawn by its own drawing code, headless, at build time.
add_executable(keno_make_icons tools/make_icons.cpp)
target_link_libraries(keno_make_icons PRIVATE keno_ui keno_platform_headless)
set_target_properties(keno_make_icons PROPERTIES KENO_PLATFORM keno_platform_headless)
set(KENO_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(KENO_ICON_FILES ${KENO_ICON_DIR}/scalable/apps/${KENO_APP_ID}.svg)
foreach(size IN LISTS KENO_ICON_SIZES)
  list(APPEND KENO_ICON_FILES ${KENO_ICON_DIR}/${size}x${size}/apps/${KENO_APP_ID}.png)
endforeach()
# Leak checking is off for the tool: a sanitizer build would otherwise fail on the toolkit's
# one-time allocations, which the tests suppress by their own list.
add_custom_command(OUTPUT ${KENO_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:keno_make_icons> ${KENO_ICON_DIR} ${KENO_ICON_SIZES}
  DEPENDS keno_make_icons
  COMMENT "Drawing the icons")

# The manual page (stamped with the version) and the changelog are installed compressed, as
# Debian expects.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(KENO_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
configure_file(data/keno.6.in ${KENO_DOC_DIR}/keno.6 @ONLY)
add_custom_command(OUTPUT ${KENO_DOC_DIR}/keno.6.gz ${KENO_DOC_DIR}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9n -c ${KENO_DOC_DIR}/keno.6 > ${KENO_DOC_DIR}/keno.6.gz
  COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${KENO_DOC_DIR}/changelog.gz
  DEPENDS ${KENO_DOC_DIR}/keno.6 data/debian/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(keno_install_data ALL DEPENDS ${KENO_ICON_FILES} ${KENO_DOC_DIR}/keno.6.gz ${KENO_DOC_DIR}/changelog.gz)

configure_file(data/${KENO_APP_ID}.desktop.in ${CMAKE_BINARY_DIR}/${KENO_APP_ID}.desktop @ONLY)

install(TARGETS keno RUNTIME DESTINATION ${KENO_INSTALL_GAMESDIR})
install(FILES ${CMAKE_BINARY_DIR}/${KENO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${KENO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${KENO_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${KENO_DOC_DIR}/keno.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${KENO_DOC_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES data/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: keno_<version>_<arch>.deb. Library dependencies come from the executable
# (dpkg-shlibdeps); the fonts the game's text is drawn with are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keno)
set(CPACK_PACKAGE_VENDOR "The Keno developers")
set(CPACK_PACKAGE_CONTACT "The Keno developers <keno@vorbel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "four-card Keno with a progressive jackpot")
set(CPACK_PACKAGE_DESCRIPTION
  "A single-player Keno game for the desktop. Mark 1 to 12 numbers on up to four
cards, set a bet per card and a reveal speed, and draw: twenty of the numbers
1 to 80 roll down the balls tube, and every card is paid from the pay table in
force. A progressive jackpot, a consolation prize, auto-run, statistics and a
heat map of the drawn numbers come with it. All play is with play money.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
include(CPack)
