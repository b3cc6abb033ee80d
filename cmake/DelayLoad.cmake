# dravmoor_delay_load(TARGET DLL FUNCTION...): links TARGET (and what links it) to the named
# functions of DLL delay-loaded: the DLL is loaded at the first call of one of them, not when the
# program starts, so a program that restricts where DLLs come from (platform/dlls) does so before
# it is loaded. A function not named here fails to link. MinGW-w64: an import library made by
# dlltool --output-delaylib, with the helper from libdelayimp.
function(dravmoor_delay_load target dll)
  if(NOT WIN32)
    return()
  endif()
  if(NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "dlltool is needed to link ${dll} delay-loaded")
  endif()
  string(TOLOWER ${dll} base)
  get_filename_component(base ${base} NAME_WE)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${base}-delay.def)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${base}-delay.a)
  list(JOIN ARGN "\n" exports)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${lib}
    DEPENDS ${def}
    VERBATIM)
  add_custom_target(${base}_delay_lib DEPENDS ${lib})
  add_dependencies(${target} ${base}_delay_lib)
  target_link_libraries(${target} PUBLIC ${lib} delayimp)
endfunction()
