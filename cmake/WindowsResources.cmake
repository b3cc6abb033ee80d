# dravmoor_windows_resources(TARGET DESCRIPTION [WINDOW]): links the Windows resources into an
# executable: the program's icon, version information and the manifest (common controls 6,
# DPI awareness, UTF-8), and with WINDOW also the wizard's bitmap. Nothing on other systems.
#
# The pictures are files of the tree (res/images/, rendered from their drawing by
# scripts/regenerate-images.sh), so the Windows build needs nothing but its own toolchain.
set(DRAVMOOR_IMAGES_DIR ${PROJECT_SOURCE_DIR}/res/images)

function(dravmoor_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(arg "WINDOW" "" "" ${ARGN})
  set(ICON ${DRAVMOOR_IMAGES_DIR}/dravmoor.ico)
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
