# Writes the Windows resource script of qor.exe's two dialogs (DIALOGEX 102, the main window,
# and 100, the About box) from the same template rows the Qt window reads, so the two windows
# cannot drift apart: a control moved or relabelled in res/*.inc moves in both.
#   cmake -DRES=<res folder> -DSIZES=<dialog_template.h> -DOUT=<file.rc> -P dialog-resource.cmake
# The control ids are resolved here (windres cannot read C++ constants); an id the row names
# but control_ids.h does not define stops the build.
foreach(var RES SIZES OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "dialog-resource.cmake needs -D${var}=")
  endif()
endforeach()

file(STRINGS ${RES}/control_ids.h id_lines REGEX "inline constexpr int k[A-Za-z]+ = -?[0-9]+;")
foreach(line ${id_lines})
  string(REGEX MATCH "(k[A-Za-z]+) = (-?[0-9]+)" _ "${line}")
  set(id_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()

file(STRINGS ${SIZES} size_lines REGEX "inline constexpr int k[A-Za-z]+Dialog(Width|Height) = [0-9]+;")
foreach(line ${size_lines})
  string(REGEX MATCH "(k[A-Za-z]+) = ([0-9]+)" _ "${line}")
  set(${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()

# The window styles of each kind of control. Every CONTROL is a visible child already.
set(style_Edit "\"Edit\", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP")
set(style_Combo "\"ComboBox\", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP")
set(style_SortedCombo "\"ComboBox\", CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT | WS_VSCROLL | WS_TABSTOP")
# A virtual list: the rows are the session's, and the list asks for a cell's text as it paints.
set(style_ListView "\"SysListView32\", LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | WS_BORDER | WS_TABSTOP")
set(style_Button "\"Button\", BS_PUSHBUTTON | WS_TABSTOP")
set(style_DefaultButton "\"Button\", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP")
set(style_Label "\"Static\", SS_LEFT | SS_NOPREFIX")

# Appends the rows of template file `inc` to variable `out` as CONTROL statements.
function(append_controls inc out)
  file(STRINGS ${inc} rows REGEX "^{k[A-Za-z]+,")
  set(text "${${out}}")
  foreach(row ${rows})
    if(NOT row MATCHES "^{(k[A-Za-z]+), ([A-Za-z]+), ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+), \"(.*)\"},?$")
      message(FATAL_ERROR "${inc}: a template row this script cannot read: ${row}")
    endif()
    set(name ${CMAKE_MATCH_1})
    set(kind ${CMAKE_MATCH_2})
    set(place "${CMAKE_MATCH_3}, ${CMAKE_MATCH_4}, ${CMAKE_MATCH_5}, ${CMAKE_MATCH_6}")
    set(label "${CMAKE_MATCH_7}")
    if(NOT DEFINED id_${name})
      message(FATAL_ERROR "${inc}: ${name} is not in control_ids.h")
    endif()
    if(NOT DEFINED style_${kind})
      message(FATAL_ERROR "${inc}: no window style for the kind ${kind}")
    endif()
    if(kind STREQUAL "Label" AND label MATCHES "^#([0-9]+)$")
      # A label naming an icon resource is a static icon.
      string(APPEND text "    CONTROL ${CMAKE_MATCH_1}, ${id_${name}}, \"Static\", SS_ICON, ${place}\n")
    else()
      string(APPEND text "    CONTROL \"${label}\", ${id_${name}}, ${style_${kind}}, ${place}\n")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The caption stands in the first line of each template file: caption "QOR".
function(caption_of inc out)
  file(STRINGS ${inc} first LIMIT_COUNT 1)
  if(NOT first MATCHES "caption \"([^\"]*)\"")
    message(FATAL_ERROR "${inc}: no caption in its first line")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

caption_of(${RES}/book_dialog_template.inc book_caption)
caption_of(${RES}/about_dialog_template.inc about_caption)
set(book_controls "")
append_controls(${RES}/book_dialog_template.inc book_controls)
set(about_controls "")
append_controls(${RES}/about_dialog_template.inc about_controls)

set(font "FONT 8, \"MS Shell Dlg\", 0, 0, 0x1")
file(WRITE ${OUT}.new "// Made at build time from res/book_dialog_template.inc and res/about_dialog_template.inc
// by cmake/dialog-resource.cmake: change those, not this.
#include <windows.h>
#include <commctrl.h>

102 DIALOGEX 0, 0, ${kBookDialogWidth}, ${kBookDialogHeight}
STYLE DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
EXSTYLE WS_EX_APPWINDOW
CAPTION \"${book_caption}\"
${font}
BEGIN
${book_controls}END

100 DIALOGEX 0, 0, ${kAboutDialogWidth}, ${kAboutDialogHeight}
STYLE DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION \"${about_caption}\"
${font}
BEGIN
${about_controls}END
")
# Rewritten only when it changed, so an unchanged template does not relink qor.exe.
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
