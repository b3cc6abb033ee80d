# dravmoor_windows_resources(TARGET DESCRIPTION [WINDOW]): links the Windows resources into an
# executable: the program's icon, version information and the manifest (common controls 6,
# DPI awareness, UTF-8), and with WINDOW also the wizard's bitmap. Nothing on other systems.
#
# The pictures are rendered by dravmoor-export-images of a Linux build (it draws them with the
# toolkit the Windows build does not have); DRAVMOOR_IMAGES_DIR names the folder holding its
# dravmoor.ico and wizard.bmp (scripts/windows.sh passes the Linux build's res/).
set(DRAVMOOR_IMAGES_DIR "${PROJECT_SOURCE_DIR}/build/res" CACHE PATH
  "Folder with dravmoor.ico and wizard.bmp for the Windows executables")

function(dravmoor_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(arg "WINDOW" "" "" ${ARGN})
  set(ICON ${DRAVMOOR_IMAGES_DIR}/dravmoor.ico)
  if(NOT EXISTS ${ICON})
    message(FATAL_ERROR "${ICON} is missing: build dravmoor_icons in a Linux build and set "
      "DRAVMOOR_IMAGES_DIR to its res/ folder (scripts/windows.sh does both)")
  endif()
  set(EXTRA "")
  if(arg_WINDOW)
    set(EXTRA "WIZARD BITMAP \"${DRAVMOOR_IMAGES_DIR}/wizard.bmp\"")
  endif()
  set(NAME ${target})
  set(DESCRIPTION ${description})
  set(MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/dravmoor.manifest)
  set(VERSION ${PROJECT_VERSION})
  set(V1 ${PROJECT_VERSION_MAJOR})
  set(V2 ${PROJECT_VERSION_MINOR})
  if(PROJECT_VERSION_PATCH)
    set(V3 ${PROJECT_VERSION_PATCH})
  else()
    set(V3 0)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${ICON} ${MANIFEST})
endfunction()
