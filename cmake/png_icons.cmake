# The program's resources with every icon drawing (res/icons/*.svg) replaced by
# a picture of it, for a build without Qt's SVG module. The names stay, so the
# program asks for the same resources; Qt reads a picture by its content.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
file(READ ${CMAKE_SOURCE_DIR}/res/zet.qrc qrc)
string(REGEX MATCHALL "<file>[^<]+</file>" entries "${qrc}")
set(generated "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n")
set(pictures)
foreach(entry ${entries})
  string(REGEX REPLACE "</?file>" "" name "${entry}")
  if(name MATCHES "^icons/(.*)\\.svg$")
    set(png ${CMAKE_BINARY_DIR}/res/png/${CMAKE_MATCH_1}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res/png
      COMMAND ${RSVG_CONVERT} -w 48 -h 48 -o ${png} ${CMAKE_SOURCE_DIR}/res/${name}
      DEPENDS ${CMAKE_SOURCE_DIR}/res/${name} VERBATIM)
    list(APPEND pictures ${png})
    string(APPEND generated "    <file alias=\"${name}\">${png}</file>\n")
  else()
    string(APPEND generated "    <file alias=\"${name}\">${CMAKE_SOURCE_DIR}/res/${name}</file>\n")
  endif()
endforeach()
string(APPEND generated "  </qresource>\n</RCC>\n")
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/res/png/zet.qrc CONTENT "${generated}")
add_custom_target(zet_png_icons DEPENDS ${pictures})
set(ui_res ${CMAKE_BINARY_DIR}/res/png/zet.qrc)
set_property(SOURCE ${ui_res} APPEND PROPERTY OBJECT_DEPENDS ${pictures})
