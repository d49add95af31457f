# GoogleTest from the system's sources, built inside this build tree so that
# every deliverable (32-bit, 64-bit, Windows) links a GoogleTest of its own.
set(TARVOK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${TARVOK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# tarvok_add_gtest(NAME name SOURCES ... LIBRARIES ...): one unit-test binary,
# its cases discovered at test time (this also works under the emulator).
function(tarvok_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} GTest::gtest_main tarvok_warnings)
  if(TARVOK_DELIVERABLE STREQUAL "windows")
    target_link_options(${T_NAME} PRIVATE -static)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "WINEDEBUG=-all")
endfunction()

# tarvok_add_unit_tests(NAME name LIBRARIES ...): every *_test.cpp of the
# calling folder in one binary; *_extras_test.cpp only where the build carries
# the extras, *_posix_test.cpp and *_win32_test.cpp only on their platform.
function(tarvok_add_unit_tests)
  cmake_parse_arguments(T "" "NAME" "LIBRARIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT TARVOK_EXTRAS)
    list(FILTER sources EXCLUDE REGEX "_extras_test\\.cpp$")
  endif()
  # *_posix[_extras]_test.cpp and *_win32[_extras]_test.cpp only on their platform.
  foreach(platform posix win32)
    if(NOT platform STREQUAL TARVOK_PLATFORM)
      list(FILTER sources EXCLUDE REGEX "_${platform}(_extras)?_test\\.cpp$")
    endif()
  endforeach()
  if(sources)
    tarvok_add_gtest(NAME ${T_NAME} SOURCES ${sources} LIBRARIES ${T_LIBRARIES})
    # test_helpers.h, shared by the support libraries' tests.
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  endif()
endfunction()
