# The main window Form_CIS and its controls.
add_library(vela_ui STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis.h
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis_search.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis_web.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis_drop.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/frm_cis_keys.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/accessibility.h ${CMAKE_CURRENT_SOURCE_DIR}/accessibility.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/progress_gauge.h ${CMAKE_CURRENT_SOURCE_DIR}/progress_gauge.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/status_lamp.h ${CMAKE_CURRENT_SOURCE_DIR}/status_lamp.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/panel_status_bar.h ${CMAKE_CURRENT_SOURCE_DIR}/panel_status_bar.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/select_all_line_edit.h ${CMAKE_CURRENT_SOURCE_DIR}/select_all_line_edit.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/labeled_line_edit.h ${CMAKE_CURRENT_SOURCE_DIR}/labeled_line_edit.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/upper_case_line_edit.h ${CMAKE_CURRENT_SOURCE_DIR}/upper_case_line_edit.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/window_geometry.h ${CMAKE_CURRENT_SOURCE_DIR}/window_geometry.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/result_list.h ${CMAKE_CURRENT_SOURCE_DIR}/result_list.cpp
)
target_include_directories(vela_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vela_ui PUBLIC vela_core vela_util vela_util_gui vela_dialogs Qt6::Widgets)
