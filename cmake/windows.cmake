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
