# The Windows build: the programs' icon and version resource, the Qt and
# MinGW libraries they need copied beside them (so build-windows/ runs as it
# stands and the installer takes exactly these files), and the installer.

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

# The icon in the sizes Explorer and the taskbar use, from the one drawing.
set(zet_icon ${CMAKE_BINARY_DIR}/res/zet.ico)
set(zet_icon_pngs)
foreach(size 16 24 32 48 64 256)
  set(png ${CMAKE_BINARY_DIR}/res/zet-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${CMAKE_SOURCE_DIR}/res/icons/zet.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/res/icons/zet.svg VERBATIM)
  list(APPEND zet_icon_pngs ${png})
endforeach()
add_custom_command(OUTPUT ${zet_icon} COMMAND ${ICOTOOL} -c -o ${zet_icon} ${zet_icon_pngs}
                   DEPENDS ${zet_icon_pngs} VERBATIM)
add_custom_target(zet_icon DEPENDS ${zet_icon})

configure_file(${CMAKE_SOURCE_DIR}/res/windows/zet.rc.in ${CMAKE_BINARY_DIR}/res/zet.rc @ONLY)
foreach(program zet zet-cli)
  if(TARGET ${program})
    target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/res/zet.rc)
    add_dependencies(${program} zet_icon)
    set_source_files_properties(${CMAKE_BINARY_DIR}/res/zet.rc PROPERTIES OBJECT_DEPENDS ${zet_icon})
  endif()
endforeach()
if(TARGET zet)
  set_target_properties(zet PROPERTIES WIN32_EXECUTABLE ON)
endif()

# ---- what the programs need beside them ------------------------------------
# Each entry: a file and the folder (relative to the programs) it goes to.
# Installed with the programs (the installer takes the installed tree) and
# copied into the build folder, so the programs and tests run from there.
get_filename_component(zet_qt_prefix "${QT6_INSTALL_PREFIX}" ABSOLUTE)
set(zet_qt_plugins "${zet_qt_prefix}/${QT6_INSTALL_PLUGINS}")
set(zet_runtime)
macro(zet_runtime_file file dest)
  list(APPEND zet_runtime "${file}|${dest}|install")
endmacro()
# Needed by the test programs only: in the build folder, not installed.
macro(zet_test_runtime_file file dest)
  list(APPEND zet_runtime "${file}|${dest}|test")
endmacro()
foreach(module Core Gui Widgets PrintSupport)
  zet_runtime_file("${zet_qt_prefix}/bin/Qt6${module}.dll" ".")
endforeach()
# Loaded at run time: the window system (offscreen for zet-cli's pictures and
# the tests), the native look, the Russian texts of Qt's own dialogs.
zet_runtime_file("${zet_qt_plugins}/platforms/qwindows.dll" "platforms")
zet_runtime_file("${zet_qt_plugins}/platforms/qoffscreen.dll" "platforms")
zet_runtime_file("${zet_qt_plugins}/styles/qwindowsvistastyle.dll" "styles")
if(TARGET Qt6::Svg)
  zet_runtime_file("${zet_qt_prefix}/bin/Qt6Svg.dll" ".")
  zet_runtime_file("${zet_qt_plugins}/iconengines/qsvgicon.dll" "iconengines")
  zet_runtime_file("${zet_qt_plugins}/imageformats/qsvg.dll" "imageformats")
endif()
find_file(zet_qtbase_ru qtbase_ru.qm PATHS /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH REQUIRED)
zet_runtime_file("${zet_qtbase_ru}" "translations")
# The MinGW runtime of the compiler that built everything.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE zet_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE zet_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
zet_runtime_file("${zet_libstdcxx}" ".")
zet_runtime_file("${zet_libgcc}" ".")
zet_runtime_file("/usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll" ".")
# The fonts of zet-cli's pictures: Qt's offscreen platform on Windows reads
# fonts only from lib/fonts beside the programs, so it gets the faces that
# Linux's fontconfig gives for the default "Arial" (the same text both ways).
foreach(style "" ":bold")
  execute_process(COMMAND fc-match -f "%{file}" "Arial${style}"
                  OUTPUT_VARIABLE zet_font RESULT_VARIABLE zet_font_rc)
  if(NOT zet_font_rc EQUAL 0 OR NOT EXISTS "${zet_font}")
    set(zet_font "/usr/share/fonts/truetype/dejavu/DejaVuSans${style}.ttf")
    string(REPLACE ":bold" "-Bold" zet_font "${zet_font}")
  endif()
  zet_runtime_file("${zet_font}" "lib/fonts")
endforeach()
# Where Qt finds its plugins and translations: beside the programs.
zet_runtime_file("${CMAKE_SOURCE_DIR}/res/windows/qt.conf" ".")
zet_runtime_file("${CMAKE_SOURCE_DIR}/res/help/index.html" "help")
zet_test_runtime_file("${zet_qt_prefix}/bin/Qt6Test.dll" ".")

set(zet_runtime_copies)
foreach(entry ${zet_runtime})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 file)
  list(GET fields 1 dest)
  list(GET fields 2 use)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Windows runtime file missing: ${file}")
  endif()
  if(use STREQUAL "install")
    install(FILES "${file}" DESTINATION "${dest}")
  endif()
  get_filename_component(name "${file}" NAME)
  set(copy "${CMAKE_BINARY_DIR}/${dest}/${name}")
  add_custom_command(OUTPUT "${copy}" COMMAND ${CMAKE_COMMAND} -E copy_if_different "${file}" "${copy}"
                     DEPENDS "${file}" VERBATIM)
  list(APPEND zet_runtime_copies "${copy}")
endforeach()
add_custom_target(windows_runtime ALL DEPENDS ${zet_runtime_copies})

install(TARGETS zet-cli RUNTIME DESTINATION .)
if(TARGET zet)
  install(TARGETS zet RUNTIME DESTINATION .)
endif()
