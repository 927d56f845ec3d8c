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
# The same under another name there.
macro(zet_runtime_file_as file dest name)
  list(APPEND zet_runtime "${file}|${dest}|install|${name}")
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
# fonts only from lib/fonts beside the programs, so it gets the very face files
# Qt draws with on Linux for the default "Arial". Where the family fontconfig
# gives comes as Type 1 as well as OpenType (Debian's URW fonts), Qt on Linux
# takes the Type 1 copy: the OpenType one has other line metrics (a leading,
# a fractional ascent) and other hints, so its texts would stand and look
# otherwise. Qt on Windows finds Type 1 files by the .pfa/.pfb names only.
set(zet_fonts)
foreach(style "" ":bold")
  execute_process(COMMAND fc-match -f "%{family[0]}|%{file}" "Arial${style}"
                  OUTPUT_VARIABLE zet_match RESULT_VARIABLE zet_font_rc)
  string(REPLACE "|" ";" zet_match "${zet_match}")
  list(GET zet_match -1 zet_font)
  if(NOT zet_font_rc EQUAL 0 OR NOT EXISTS "${zet_font}")
    set(zet_font "/usr/share/fonts/truetype/dejavu/DejaVuSans${style}.ttf")
    string(REPLACE ":bold" "-Bold" zet_font "${zet_font}")
  else()
    list(GET zet_match 0 zet_family)
    execute_process(COMMAND fc-match -f "%{family[0]}|%{file}" "${zet_family}${style}:fontformat=Type 1"
                    OUTPUT_VARIABLE zet_type1 RESULT_VARIABLE zet_font_rc)
    string(REPLACE "|" ";" zet_type1 "${zet_type1}")
    list(GET zet_type1 0 zet_type1_family)
    list(GET zet_type1 -1 zet_type1_file)
    if(zet_font_rc EQUAL 0 AND zet_type1_family STREQUAL zet_family AND EXISTS "${zet_type1_file}")
      set(zet_font "${zet_type1_file}")
    endif()
  endif()
  get_filename_component(zet_font_name "${zet_font}" NAME)
  if(zet_font_name MATCHES "\\.t1$")
    string(REGEX REPLACE "\\.t1$" ".pfb" zet_font_name "${zet_font_name}")
  endif()
  zet_runtime_file_as("${zet_font}" "lib/fonts" "${zet_font_name}")
  list(APPEND zet_fonts "${zet_font_name}")
endforeach()
# A face left there by an earlier build would compete with these.
file(GLOB zet_old_fonts "${CMAKE_BINARY_DIR}/lib/fonts/*")
foreach(old ${zet_old_fonts})
  get_filename_component(name "${old}" NAME)
  if(NOT name IN_LIST zet_fonts)
    file(REMOVE "${old}")
  endif()
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
  get_filename_component(name "${file}" NAME)
  list(LENGTH fields n)
  if(n GREATER 3)
    list(GET fields 3 name)
  endif()
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "Windows runtime file missing: ${file}")
  endif()
  if(use STREQUAL "install")
    install(FILES "${file}" DESTINATION "${dest}" RENAME "${name}")
  endif()
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
