# Fails when a source file includes across a boundary of the layering. Run by CTest
# (layering.includes) or by hand:  cmake -DSOURCE_DIR=. -P scripts/check_includes.cmake
#
# Each rule: the files it applies to (regex over the path from the source root, optionally
# followed by "!" and a regex of files it spares), the includes they must not use (regex over
# the name in #include), and why.
if(NOT SOURCE_DIR)
  set(SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(qt "^Q[A-Za-z]*$|^Qt[A-Za-z]*/")
set(win "^[Ww]indows\\.h$")
set(dialogs "^(app|wizard|sharemap|verify)/")
set(ui_backends "^ui/(qt|win32|fake)/")
set(over_any_ui "^(app|wizard|verify|sharemap|res)/!^res/images_(qt|win32)\\.cpp$")
set(rules
  "${over_any_ui} => ${qt}|${win} => dialogs and resources build over any UI backend (the pictures are drawn in res/images_qt.cpp, loaded from the executable in res/images_win32.cpp)"
  "^res/images_qt\\.cpp => ${win} => the drawing is the toolkit's"
  "^res/images_win32\\.cpp => ${qt} => the Windows build has no toolkit"
  "${over_any_ui} => ${ui_backends} => dialogs and resources see the dialog framework, not one of its backends"
  "^ui/[^/]+$ => ${qt}|${win}|${ui_backends} => the framework's API and shared logic speak its own types"
  "^ui/ => ^platform/ => the dialog framework knows none of the program's OS capabilities (its waiting sockets are app/'s)"
  "^platform/ => ^ui/ => the OS capabilities have no dialogs"
  "^ui/fake/ => ${qt}|${win} => the fake UI backend needs no windowing system"
  "^ui/qt/ => ${win}|^ui/(win32|fake)/ => UI backends stand side by side"
  "^protocol/ => ${qt} => protocol is UI-free: no Qt"
  "^protocol/ => ^(ui|platform/(shell|netdrive))/ => protocol reaches the platform through sockets only"
  "^protocol/ => ^(res|cli|sim|tests|fuzz)/|${dialogs} => protocol sits below every front end"
  "^(platform|ui)/ => ^(res|cli|sim|tests|fuzz)/|${dialogs} => platform code and the dialog framework know no program above them"
  "^platform/(sockets|netdrive)/ => ${qt} => sockets and drives build without Qt"
  "^res/ => ${dialogs} => resources are data for the framework, not for one dialog"
  "^verify/ => ^(app|wizard|sharemap)/ => verification serves the wizard and share mapping alike"
  "^wizard/ => ^(app|sharemap)/ => the wizard does not reach into the main window or share mapping"
  "^sharemap/ => ^(app|wizard)/ => share mapping does not depend on the wizard or the main window"
  "^(cli|sim)/ => ${qt}|^(ui|res)/|${dialogs} => the command-line tools have no GUI"
  "^tests/ => ^fuzz/ => tests do not depend on the fuzz targets"
  "^tests/gui/ui/ => ^(res|app|wizard|sharemap|verify)/ => the framework's tests bring their own templates"
  "^(protocol|platform|ui|res|verify|wizard|sharemap|app|cli|sim)/ => ^tests/ => product code does not include tests"
)

message("Include rules (files under -> must not include):")
set(parsed)
foreach(rule IN LISTS rules)
  string(REGEX MATCH "^(.*) => (.*) => (.*)$" _ "${rule}")
  set(from "${CMAKE_MATCH_1}")
  set(forbidden "${CMAKE_MATCH_2}")
  set(reason "${CMAKE_MATCH_3}")
  string(REPLACE "!" "  except " from "${from}")
  message("  ${from}  ->  ${forbidden}   (${reason})")
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(FILTER sources EXCLUDE REGEX "^(build|\\.git)")
set(violations 0)
foreach(path IN LISTS sources)
  file(STRINGS ${SOURCE_DIR}/${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" name "${line}")
    foreach(rule IN LISTS rules)
      string(REGEX MATCH "^(.*) => (.*) => (.*)$" _ "${rule}")
      set(from "${CMAKE_MATCH_1}")
      set(forbidden "${CMAKE_MATCH_2}")
      set(reason "${CMAKE_MATCH_3}")
      set(spared "")
      if(from MATCHES "^([^!]*)!(.*)$")
        set(from "${CMAKE_MATCH_1}")
        set(spared "${CMAKE_MATCH_2}")
      endif()
      if(spared AND path MATCHES "${spared}")
        continue()
      endif()
      if(path MATCHES "${from}" AND name MATCHES "${forbidden}")
        message("VIOLATION ${path}: #include ${name}  (${reason})")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
list(LENGTH sources count)
if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) cross a boundary")
endif()
message("${count} files checked, no include crosses a boundary")
