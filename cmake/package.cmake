# Installation layout, manual pages and the Debian package (cpack -G DEB).

include(GNUInstallDirs)

# Manual pages made from the programs' own --help and --version texts, so the
# help text has one copy only.
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
set(zet_man_pages)
function(zet_man_page target name description help_option)
  if(NOT HELP2MAN OR NOT GZIP OR NOT TARGET ${target})
    return()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${name}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8 --section=1 --name=${description}
            --help-option=${help_option} --output=${page} $<TARGET_FILE:${target}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${target}
    COMMENT "Manual page ${name}.1"
    VERBATIM)
  set(zet_man_pages ${zet_man_pages} ${page}.gz PARENT_SCOPE)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

zet_man_page(zet-cli zet-cli "the ZET voltage recorder and its .zet files without a window" --help-all)
zet_man_page(zet zet "the desktop program of the ZET voltage recorder" --help)
if(zet_man_pages)
  add_custom_target(man_pages ALL DEPENDS ${zet_man_pages})
endif()

install(TARGETS zet-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zet)
  install(TARGETS zet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES res/zet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES res/zet-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zet.xml)
  install(FILES res/icons/zet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES res/help/index.html DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME help.html)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Вистен")
set(CPACK_PACKAGE_CONTACT "ZET project")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # zet_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the window system plugin,
# the SVG icons, the Russian standard buttons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of the ZET field voltage recorder")
# The synopsis is the summary above; CPack indents every line of this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"ZET programs a two-channel field voltage recorder used in stray-current and
pipeline-potential surveys over a serial line, downloads its memory, shows
live readings and runs its self-test. A recording is shown as a time chart or
as a stray-current vector diagram, filtered, exported, printed and saved as a
.zet file. zet-cli does the instrument work and file conversions without a
window.
.
Программа работы с Регистратором напряжений для обследования блуждающих
токов: программирование прибора, чтение его памяти, текущие значения,
самотестирование; график записи и диаграмма блуждающих токов, фильтрация,
экспорт, печать, файлы .zet.")
set(CPACK_STRIP_FILES ON)
include(CPack)
