# Message dialogs, the error box, the visual style and the carried resources.
add_library(vela_dialogs STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/msg_dialog.h ${CMAKE_CURRENT_SOURCE_DIR}/msg_dialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/visual_style.h ${CMAKE_CURRENT_SOURCE_DIR}/visual_style.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/amethyst_style.h ${CMAKE_CURRENT_SOURCE_DIR}/amethyst_style.cpp
  ${CMAKE_SOURCE_DIR}/resources/verdane.qrc
)
target_include_directories(vela_dialogs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vela_dialogs PUBLIC vela_util Qt6::Gui Qt6::Widgets)
