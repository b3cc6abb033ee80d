# Fails when a source file includes across a boundary of the layering. Run by CTest
# (layering.includes) or by hand:  cmake -DSOURCE_DIR=. -P scripts/check_includes.cmake
#
# Each rule: the folders it applies to (regex over the path from the source root), the
# includes they must not use (regex over the name in #include), and why.
if(NOT SOURCE_DIR)
  set(SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(qt "^Q[A-Za-z]*$|^Qt[A-Za-z]*/")
set(dialogs "^(app|wizard|sharemap|verify)/")
set(rules
  "^protocol/ => ${qt} => protocol is UI-free: no Qt"
  "^protocol/ => ^platform/(ui|shell|netdrive)/ => protocol reaches the platform through sockets only"
  "^protocol/ => ^(res|cli|sim|tests|fuzz)/|${dialogs} => protocol sits below every front end"
  "^platform/ => ^(res|cli|sim|tests|fuzz)/|${dialogs} => platform code knows no program above it"
  "^platform/(sockets|netdrive)/ => ${qt} => sockets and drives build without Qt"
  "^res/ => ${dialogs} => resources are data for the framework, not for one dialog"
  "^verify/ => ^(app|wizard|sharemap)/ => verification serves the wizard and share mapping alike"
  "^wizard/ => ^(app|sharemap)/ => the wizard does not reach into the main window or share mapping"
  "^sharemap/ => ^(app|wizard)/ => share mapping does not depend on the wizard or the main window"
  "^(cli|sim)/ => ${qt}|^(platform/ui|res)/|${dialogs} => the command-line tools have no GUI"
  "^tests/ => ^fuzz/ => tests do not depend on the fuzz targets"
  "^tests/gui/ui/ => ^(res|app|wizard|sharemap|verify)/ => the framework's tests bring their own templates"
  "^(protocol|platform|res|verify|wizard|sharemap|app|cli|sim)/ => ^tests/ => product code does not include tests"
)

message("Include rules (files under -> must not include):")
set(parsed)
foreach(rule IN LISTS rules)
  string(REGEX MATCH "^(.*) => (.*) => (.*)$" _ "${rule}")
  set(from "${CMAKE_MATCH_1}")
  set(forbidden "${CMAKE_MATCH_2}")
  set(reason "${CMAKE_MATCH_3}")
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
