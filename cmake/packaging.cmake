# Installing Norvane, and the Debian package `cpack -G DEB` makes of it
# (scripts/package). The command, its manual pages and bash completion, and
# under share/norvane the demo, the help pages and the word tables, where the
# program looks for them beside its own folder (../share/norvane). The
# desktop program adds its own install() rules in src/; whatever is installed
# goes into the package.
include(GNUInstallDirs)

install(TARGETS norvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
file(GLOB norvane_man_pages ${PROJECT_SOURCE_DIR}/docs/man/*.1)
install(FILES ${norvane_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/norvane
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help ${PROJECT_SOURCE_DIR}/data/lang
        DESTINATION ${CMAKE_INSTALL_DATADIR}/norvane)

# The checked-in demo keeps its attachment relative to the source tree (where
# scripts/demo runs it); the installed one has it beside the project, so
# it opens complete from any folder. Made with the program's own edit command.
set(demo_build ${PROJECT_BINARY_DIR}/demo)
add_custom_command(
  OUTPUT ${demo_build}/demo.nvp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${demo_build}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/demo/demo.nvp
          ${PROJECT_SOURCE_DIR}/data/demo/price-list.txt ${demo_build}/
  COMMAND ${CMAKE_COMMAND} -E env NORVANE_CONFIG=${demo_build}/settings.reg $<TARGET_FILE:norvane>
          edit ${demo_build}/demo.nvp --detach price-list.txt --attach ${demo_build}/price-list.txt
  DEPENDS norvane ${PROJECT_SOURCE_DIR}/data/demo/demo.nvp ${PROJECT_SOURCE_DIR}/data/demo/price-list.txt
  COMMENT "Installed demo with its attachment beside it")
add_custom_target(installed_demo ALL DEPENDS ${demo_build}/demo.nvp)
install(FILES ${demo_build}/demo.nvp ${demo_build}/price-list.txt
        ${PROJECT_SOURCE_DIR}/data/demo/message.txt ${PROJECT_SOURCE_DIR}/data/demo/recipients.csv
        ${PROJECT_SOURCE_DIR}/data/demo/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/norvane/demo)

set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VENDOR Kalvento)
set(CPACK_PACKAGE_CONTACT "Norvane developers <norvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mass e-mailer with mail merge")
set(CPACK_PACKAGE_DESCRIPTION
    "Norvane writes, checks and sends a mailing: one message with merge tags and a list of recipients, each of \
whom gets a personal copy delivered straight to their mail exchanger or through a relay. The norvane \
command does it from the terminal; norvane-gui is the desktop program.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY norvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries' packages, found by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Word lists for the spell check before a send; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-en-us, mythes-en-us")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/norvane")
include(CPack)
