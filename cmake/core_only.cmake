# The core without Qt, libcurl, libzip and OpenSSL, for a system where those
# are not at hand (the MinGW-w64 cross build, cmake/mingw-w64.cmake): common,
# platform, the parts of formats and client/session that need none of them,
# and their tests. GoogleTest is built from Debian's sources.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)  # googletest 1.12 defines the aliases itself
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
find_package(Threads REQUIRED)

# The sources of one folder for this system (see modules.cmake), less the
# units that need a library the core build does not have.
function(core_sources out folder)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix(_test)?\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32(_test)?\\.cpp$")
  endif()
  foreach(pattern ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${pattern}$")
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

function(add_core_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  core_sources(sources ${folder} EXCLUDE ${ARG_EXCLUDE})
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

function(add_core_test name folder)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  core_sources(sources ${folder} EXCLUDE ${ARG_EXCLUDE})
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} core_test_support GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# Signatures and SHA-256 go through OpenSSL; the configuration archive and
# the skin writer through libzip; ClientApp reads its archive with libzip
# and checks signatures, so its units stay out with the configuration source
# and the server configuration fetch, which checks signatures too.
set(_win_libs)
if(WIN32)
  set(_win_libs shell32 ole32 advapi32 user32)
endif()
add_core_library(common common EXCLUDE sha256_digest.cpp signature.cpp)
add_core_library(platform platform DEPS common Threads::Threads ${_win_libs})
add_core_library(formats formats DEPS common platform EXCLUDE config_archive.cpp skin_writer.cpp)
add_core_library(client_session client/session DEPS common formats platform
  EXCLUDE "client_app[a-z_]*\\.cpp" config_source.cpp config_signature.cpp server_config.cpp
  work_folder_name.cpp)

add_library(core_test_support STATIC ${PROJECT_SOURCE_DIR}/tests/support/temp_dir.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/faulty_file_operations.cpp)
target_include_directories(core_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(core_test_support PUBLIC GTest::gtest platform)

# md5_digest_test compares with the md5sum program and signature_test needs
# OpenSSL; the other tests leave out what the core does not build.
add_core_test(common_test tests/common DEPS common EXCLUDE md5_digest_test.cpp signature_test.cpp)
add_core_test(formats_test tests/formats DEPS formats
  EXCLUDE config_archive_test.cpp skin_writer_test.cpp)
add_core_test(platform_test tests/platform DEPS platform)
add_core_test(client_session_test tests/client/session DEPS client_session
  EXCLUDE config_source_test.cpp server_config_test.cpp host_notifier_test.cpp run_state_test.cpp self_update_test.cpp new_item_plan_test.cpp work_folder_name_test.cpp
  version_compare_test.cpp)
