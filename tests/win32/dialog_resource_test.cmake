# Tests cmake/dialog-resource.cmake, which makes qor.exe's dialogs from the window templates:
# every template row becomes a control with its id, kind, place and text; a row the script
# cannot read or an id control_ids.h lacks stops the build instead of losing a control.
#   cmake -DSOURCE=<source tree> -DWORK=<empty folder> -P dialog_resource_test.cmake
set(generator ${SOURCE}/cmake/dialog-resource.cmake)
set(sizes ${SOURCE}/src/ui/controls/dialog_template.h)
set(failures "")

function(generate res out result)
  execute_process(COMMAND ${CMAKE_COMMAND} -DRES=${res} -DSIZES=${sizes} -DOUT=${out} -P ${generator}
                  RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
  set(${result} ${code} PARENT_SCOPE)
endfunction()

function(expect condition message)
  if(NOT ${condition})
    set(failures "${failures}\n  ${message}" PARENT_SCOPE)
  endif()
endfunction()

# The real templates.
generate(${SOURCE}/res ${WORK}/dialogs.rc code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the generator failed on the real templates")
endif()
file(READ ${WORK}/dialogs.rc rc)
string(FIND "${rc}" "100 DIALOGEX" about_at)
string(SUBSTRING "${rc}" 0 ${about_at} book)

# One control for each row of the main window's template, and as many in the About box.
file(STRINGS ${SOURCE}/res/book_dialog_template.inc book_rows REGEX "^{k")
file(STRINGS ${SOURCE}/res/about_dialog_template.inc about_rows REGEX "^{k")
string(REGEX MATCHALL "\n    CONTROL " book_controls "${book}")
string(REGEX MATCHALL "\n    CONTROL " all_controls "${rc}")
list(LENGTH book_rows book_row_count)
list(LENGTH about_rows about_row_count)
list(LENGTH book_controls book_control_count)
list(LENGTH all_controls all_control_count)
math(EXPR about_control_count "${all_control_count} - ${book_control_count}")
set(same_book_count FALSE)
if(book_row_count EQUAL book_control_count AND book_row_count GREATER 70)
  set(same_book_count TRUE)
endif()
expect(same_book_count "main window: ${book_control_count} controls for ${book_row_count} template rows")
set(same_about_count FALSE)
if(about_row_count EQUAL about_control_count)
  set(same_about_count TRUE)
endif()
expect(same_about_count "About box: ${about_control_count} controls for ${about_row_count} template rows")

# Rows of each kind, as the Win32 window must receive them (the ids are control_ids.h's).
foreach(line
    "102 DIALOGEX 0, 0, 337, 290"
    "CAPTION \"QOR\""
    "FONT 8, \"MS Shell Dlg\", 0, 0, 0x1"
    "CONTROL \"\", 1000, \"Edit\", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 38, 5, 47, 14"
    "CONTROL \"\", 1014, \"ComboBox\", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 205, 6, 47, 190"
    "CONTROL \"\", 1015, \"ComboBox\", CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 205, 20, 47, 177"
    "CONTROL \"\", 1001, \"SysListView32\", LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | WS_BORDER | WS_TABSTOP, 10, 195, 315, 84"
    "CONTROL \"OK\", 1, \"Button\", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 276, 67, 50, 14"
    "CONTROL \"&Help\", 57670, \"Button\", BS_PUSHBUTTON | WS_TABSTOP, 276, 81, 50, 14"
    "CONTROL \"Hieght:\", -1, \"Static\", SS_LEFT | SS_NOPREFIX, 181, 37, 24, 8"
    "CONTROL \"Aniversary:\", -1, \"Static\", SS_LEFT | SS_NOPREFIX, 146, 183, 36, 8"
    "CONTROL \"QOR v1.01 Contact Manager\", 1045, \"Static\", SS_LEFT | SS_NOPREFIX, 10, 281, 269, 8"
    "100 DIALOGEX 0, 0, 235, 55"
    "CAPTION \"About QOR\""
    "CONTROL 128, -1, \"Static\", SS_ICON, 11, 17, 20, 20")
  string(FIND "${rc}" "${line}" at)
  set(found TRUE)
  if(at EQUAL -1)
    set(found FALSE)
  endif()
  expect(found "missing: ${line}")
endforeach()

# Templates the generator must refuse rather than drop a control from.
foreach(case "unknown id|{kNoSuchButton, Button, 1, 2, 3, 4, \"Lost\"},"
             "unreadable row|{kAddButton, Button, 1, 2, 3, 4, Add},"
             "unknown kind|{kAddButton, Slider, 1, 2, 3, 4, \"\"},")
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 row)
  set(res ${WORK}/${name})
  file(MAKE_DIRECTORY ${res})
  file(COPY ${SOURCE}/res/control_ids.h ${SOURCE}/res/about_dialog_template.inc DESTINATION ${res})
  file(READ ${SOURCE}/res/book_dialog_template.inc template)
  file(WRITE ${res}/book_dialog_template.inc "${template}${row}\n")
  generate(${res} ${res}/dialogs.rc code)
  set(refused TRUE)
  if(code EQUAL 0)
    set(refused FALSE)
  endif()
  expect(refused "a template with an ${name} was not refused")
endforeach()

if(failures)
  message(FATAL_ERROR "dialog-resource.cmake:${failures}")
endif()
message(STATUS "the dialogs hold every template row")
