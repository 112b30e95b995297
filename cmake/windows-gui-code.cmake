# The window cannot be linked for Windows here: Debian has no Qt for MinGW. Its Windows-only
# code (every src/app and src/ui source that tests Q_OS_WIN) and the Windows resources are
# still compiled, against the build machine's Qt headers, which differ between platforms only
# in their configuration. Nothing of it runs here.
set(QOR_HOST_QT_INCLUDE /usr/include/x86_64-linux-gnu/qt6 CACHE PATH "The build machine's Qt 6 headers")
if(NOT EXISTS ${QOR_HOST_QT_INCLUDE}/QtWidgets/QWidget)
  message(STATUS "No Qt headers at ${QOR_HOST_QT_INCLUDE}: the window's Windows code is not compiled")
  return()
endif()

file(GLOB gui_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/app/*.cpp ${PROJECT_SOURCE_DIR}/src/ui/*.cpp
     ${PROJECT_SOURCE_DIR}/src/ui/controls/*.cpp)
set(windows_gui_sources)
foreach(source ${gui_sources})
  file(STRINGS ${source} windows_lines REGEX "Q_OS_WIN")
  if(windows_lines)
    list(APPEND windows_gui_sources ${source})
  endif()
endforeach()

enable_language(RC)
add_library(qor_windows_gui_code OBJECT ${windows_gui_sources} ${PROJECT_SOURCE_DIR}/res/qor.rc)
target_include_directories(qor_windows_gui_code SYSTEM PRIVATE
  ${QOR_HOST_QT_INCLUDE} ${QOR_HOST_QT_INCLUDE}/QtCore ${QOR_HOST_QT_INCLUDE}/QtGui ${QOR_HOST_QT_INCLUDE}/QtWidgets)
target_include_directories(qor_windows_gui_code PRIVATE
  ${PROJECT_SOURCE_DIR}/src/app ${PROJECT_SOURCE_DIR}/src/ui ${PROJECT_SOURCE_DIR}/src/ui/controls ${PROJECT_SOURCE_DIR}/res)
target_link_libraries(qor_windows_gui_code PRIVATE qor_session)
target_compile_definitions(qor_windows_gui_code PRIVATE QT_CORE_LIB QT_GUI_LIB QT_WIDGETS_LIB)
