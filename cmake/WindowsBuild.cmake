# The Windows build's own pieces, included by the top directory when WIN32.

# CLI11 and nlohmann-json are header-only; the Debian packages' CMake files would
# put the build machine's /usr/include on the cross compiler's path, so only
# their headers are copied into the build tree and named as imported targets.
set(tarn_headers ${CMAKE_BINARY_DIR}/header-only)
foreach(dir nlohmann CLI)
  if(NOT EXISTS ${tarn_headers}/${dir})
    file(COPY /usr/include/${dir} DESTINATION ${tarn_headers})
  endif()
endforeach()
foreach(pkg_target nlohmann_json:nlohmann_json CLI11:CLI11)
  string(REPLACE ":" ";" parts ${pkg_target})
  list(GET parts 0 pkg)
  list(GET parts 1 name)
  set(config_dir ${tarn_headers}/cmake/${pkg})
  file(WRITE ${config_dir}/${pkg}Config.cmake
    "if(NOT TARGET ${pkg}::${name})\n"
    "  add_library(${pkg}::${name} INTERFACE IMPORTED)\n"
    "  set_target_properties(${pkg}::${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${tarn_headers})\n"
    "endif()\n")
  set(${pkg}_DIR ${config_dir} CACHE PATH "" FORCE)
endforeach()

# Unicode Win32 calls throughout; no min/max macros from windows.h.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# GoogleTest built from Debian's sources with the cross compiler.
macro(tarn_windows_gtest)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)  # newer GoogleTest sources name them themselves
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endmacro()
