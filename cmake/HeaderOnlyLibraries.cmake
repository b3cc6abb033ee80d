# CLI11 and nlohmann/json are header-only. A native build takes them from their packages. A
# cross build cannot use the build machine's package files: they would put all of /usr/include,
# glibc's headers with it, on the Windows compiler's path. It gets a folder holding just the two
# libraries' headers instead.
if(CMAKE_CROSSCOMPILING)
  set(header_dir ${CMAKE_BINARY_DIR}/header-only)
  file(MAKE_DIRECTORY ${header_dir})
  foreach(library CLI nlohmann)
    if(NOT EXISTS /usr/include/${library})
      message(FATAL_ERROR "/usr/include/${library} is missing: install libcli11-dev and nlohmann-json3-dev")
    endif()
    if(NOT EXISTS ${header_dir}/${library})
      file(CREATE_LINK /usr/include/${library} ${header_dir}/${library} SYMBOLIC)
    endif()
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${header_dir})
else()
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
endif()
