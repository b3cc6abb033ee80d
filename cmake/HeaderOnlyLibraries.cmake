# CLI11, nlohmann/json and the CSV reader (libfccp) are header-only. A native build takes them
# from their packages. A cross build cannot use the build machine's package files: they would put
# all of /usr/include, glibc's headers with it, on the Windows compiler's path. It gets a folder
# holding just these libraries' headers instead.
if(CMAKE_CROSSCOMPILING)
  set(header_dir ${CMAKE_BINARY_DIR}/header-only)
  file(MAKE_DIRECTORY ${header_dir})
  foreach(library CLI nlohmann libfccp)
    if(NOT EXISTS /usr/include/${library})
      message(FATAL_ERROR "/usr/include/${library} is missing: install libcli11-dev, nlohmann-json3-dev and libfccp-dev")
    endif()
    if(NOT EXISTS ${header_dir}/${library})
      file(CREATE_LINK /usr/include/${library} ${header_dir}/${library} SYMBOLIC)
    endif()
  endforeach()
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  add_library(fccp::fccp INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json fccp::fccp PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${header_dir})
else()
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  # No CMake package: the header sits in /usr/include/libfccp.
  find_path(FCCP_INCLUDE_DIR libfccp/csv.h REQUIRED)
  add_library(fccp::fccp INTERFACE IMPORTED)
  set_target_properties(fccp::fccp PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${FCCP_INCLUDE_DIR})
endif()
# The reader's own thread is not needed for files of a few thousand lines.
set_property(TARGET fccp::fccp PROPERTY INTERFACE_COMPILE_DEFINITIONS CSV_IO_NO_THREAD)
