# Installing (GNUInstallDirs) and the Debian package (CPack's DEB generator):
#   bin/pellavine, bin/pellavine-split
#   share/pellavine/         Samples/ and the optional HAND-M.CUR, drag.ico, x/o.cjs
#   share/applications/, share/metainfo/, share/icons/hicolor/<N>x<N>/apps/
#   share/man/man1/, share/bash-completion/completions/, share/doc/pellavine/
include(GNUInstallDirs)

set(PV_APP_ID com.orvantis.Pellavine)
set(PV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/pellavine)
set(PV_FULL_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/pellavine)
set(PV_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PV_STAGE_DIR ${CMAKE_BINARY_DIR}/packaging)
set(PV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pellavine)  # the package's name, not the project's

# The executables find the data folder relative to themselves, so a relocated or unpacked
# installation finds it too (folders/ApplicationFolder.cpp).
file(RELATIVE_PATH PV_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${PV_FULL_DATADIR})
target_compile_definitions(pv_core PRIVATE PV_DATA_FROM_BIN="${PV_DATA_FROM_BIN}")

# Pages and the changelog carry the version and the installed paths; Debian wants them gzipped.
find_program(PV_GZIP gzip REQUIRED)
set(PV_GZIPPED)
foreach(page pellavine-split.1 pellavine.1 changelog)
  configure_file(${PV_PACKAGING_DIR}/${page} ${PV_STAGE_DIR}/${page} @ONLY)
  add_custom_command(OUTPUT ${PV_STAGE_DIR}/${page}.gz
                     COMMAND ${PV_GZIP} -9nkf ${PV_STAGE_DIR}/${page}
                     DEPENDS ${PV_STAGE_DIR}/${page})
  list(APPEND PV_GZIPPED ${PV_STAGE_DIR}/${page}.gz)
endforeach()
add_custom_target(pv_pages ALL DEPENDS ${PV_GZIPPED})
configure_file(${PV_PACKAGING_DIR}/${PV_APP_ID}.metainfo.xml ${PV_STAGE_DIR}/${PV_APP_ID}.metainfo.xml
               @ONLY)

install(TARGETS pellavine-split RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PV_STAGE_DIR}/pellavine-split.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PV_PACKAGING_DIR}/pellavine-split.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pellavine-split)
install(FILES ${PV_STAGE_DIR}/changelog.gz ${PV_PACKAGING_DIR}/copyright
        DESTINATION ${PV_DOC_DIR})
if(TARGET pv_samples)
  install(DIRECTORY ${PV_BIN_DIR}/Samples DESTINATION ${PV_DATA_DIR})
endif()
# A site's own pointer, drag icon and skin, when put beside the built executables.
install(FILES ${PV_BIN_DIR}/HAND-M.CUR ${PV_BIN_DIR}/drag.ico DESTINATION ${PV_DATA_DIR} OPTIONAL)
install(DIRECTORY ${PV_BIN_DIR}/x DESTINATION ${PV_DATA_DIR} OPTIONAL FILES_MATCHING
        PATTERN o.cjs)

if(PV_BUILD_GUI)
  # The icon theme's sizes, drawn by the window's own icon code.
  add_executable(pv-write-icons ${PV_PACKAGING_DIR}/WriteIcons.cpp)
  set_target_properties(pv-write-icons PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_BINARY_DIR}/tools)
  target_link_libraries(pv-write-icons PRIVATE pv_gui pv_options)
  set(PV_ICON_SIZES 16 22 24 32 48 64 128 256)
  set(PV_ICONS_STAMP ${PV_STAGE_DIR}/icons.stamp)
  add_custom_command(OUTPUT ${PV_ICONS_STAMP}
                     COMMAND ${CMAKE_COMMAND} -E rm -rf ${PV_STAGE_DIR}/icons
                     COMMAND pv-write-icons ${PV_STAGE_DIR}/icons ${PV_APP_ID} ${PV_ICON_SIZES}
                     COMMAND ${CMAKE_COMMAND} -E touch ${PV_ICONS_STAMP}
                     DEPENDS pv-write-icons
                     COMMENT "Drawing the program icon")
  add_custom_target(pv_icons ALL DEPENDS ${PV_ICONS_STAMP})

  target_compile_definitions(pellavine PRIVATE PV_VERSION="${PROJECT_VERSION}")
  install(TARGETS pellavine RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PV_STAGE_DIR}/pellavine.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PV_PACKAGING_DIR}/${PV_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PV_STAGE_DIR}/${PV_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${PV_STAGE_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellavine)
set(CPACK_PACKAGE_VENDOR Orvantis)
set(CPACK_PACKAGE_CONTACT "Orvantis <pellavine@orvantis.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save each worksheet of a workbook as a workbook of its own")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pellavine splits spreadsheet workbooks: for every workbook in a list, each\n\
worksheet with content is saved as a workbook file of its own, in one output\n\
folder, under a name made by one of five naming rules. It comes as a window\n\
(pellavine) and as a command (pellavine-split) that run the same split.\n\
.\n\
Office Open XML workbooks are handled by Pellavine itself; legacy formats\n\
and OpenDocument spreadsheets need LibreOffice.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc-nogui | libreoffice-calc")
# Splitting legacy workbooks inside LibreOffice runs our Python script there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-script-provider-python")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
include(CPack)

if(PV_BUILD_TESTS)
  # The pages are held to --help as built, the completion is sourced and asked, the menu files
  # are validated, and an installation into a fresh prefix is used as a user would.
  set(PV_PACKAGING_TESTS ${CMAKE_SOURCE_DIR}/tests/packaging)
  find_program(PV_BASH bash REQUIRED)
  add_test(NAME packaging.manpage.pellavine-split
           COMMAND ${Python3_EXECUTABLE} ${PV_PACKAGING_TESTS}/check_manpage.py
                   ${PV_PACKAGING_DIR}/pellavine-split.1 $<TARGET_FILE:pellavine-split>)
  add_test(NAME packaging.completion COMMAND ${PV_BASH} ${PV_PACKAGING_TESTS}/completion_test.sh
                                             ${PV_PACKAGING_DIR}/pellavine-split.bash)
  if(PV_BUILD_GUI)
    add_test(NAME packaging.manpage.pellavine
             COMMAND ${Python3_EXECUTABLE} ${PV_PACKAGING_TESTS}/check_manpage.py
                     ${PV_PACKAGING_DIR}/pellavine.1 $<TARGET_FILE:pellavine>)
    # A missing validator fails the test rather than skipping it (dev.sh installs both).
    find_program(PV_DESKTOP_FILE_VALIDATE desktop-file-validate)
    find_program(PV_APPSTREAMCLI appstreamcli)
    add_test(NAME packaging.desktop_entry
             COMMAND ${PV_DESKTOP_FILE_VALIDATE} ${PV_PACKAGING_DIR}/${PV_APP_ID}.desktop)
    add_test(NAME packaging.metainfo
             COMMAND ${PV_APPSTREAMCLI} validate --no-net --explain
                     ${PV_STAGE_DIR}/${PV_APP_ID}.metainfo.xml)
    set(PV_TEST_PREFIX ${CMAKE_BINARY_DIR}/packaging/test-install)
    add_test(NAME packaging.installed
             COMMAND ${PV_BASH} -c "rm -rf \"$1\" && \"$2\" --install \"$3\" --prefix \"$1\" >/dev/null && \"$4\" \"$1\""
                     installed ${PV_TEST_PREFIX} ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR}
                     ${PV_PACKAGING_TESTS}/installed_check.sh)
  endif()
endif()
