# Helpers shared by the subsystem and test folders.

set(QF_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# The Wine a build's programs run under: 64-bit programs need a 64-bit prefix.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QF_WINE_ARCH win64)
else()
  set(QF_WINE_ARCH win32)
endif()
set(QF_WINE_ENV WINEPREFIX=${QF_WINEPREFIX} QF_WINE_ARCH=${QF_WINE_ARCH})
set(QF_TEST_TIMEOUT 120)

# qf_test(NAME SOURCES ... [LIBS ...] [RESOURCES] [DISPLAY] [WIN32_ONLY] [TIMEOUT s])
# One executable, one CTest test. Under the win32 preset it runs through Wine
# with the private prefix; DISPLAY marks tests that open windows (they are
# skipped with a reason when there is no X display).
function(qf_test name)
  cmake_parse_arguments(T "RESOURCES;DISPLAY;WIN32_ONLY;NO_GTEST_MAIN;REGISTERED" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(T_WIN32_ONLY AND NOT WIN32)
    return()
  endif()
  set(srcs ${T_SOURCES})
  if(T_RESOURCES AND WIN32)
    list(APPEND srcs ${CMAKE_SOURCE_DIR}/resources/Quillfen.rc)
  endif()
  add_executable(${name} ${srcs})
  if(T_RESOURCES AND WIN32)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/Quillfen.rc TARGET_DIRECTORY ${name}
      PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/Quillfen.tlb)
    qf_use_version(${name} ${CMAKE_SOURCE_DIR}/resources/Quillfen.rc)
  endif()
  if(T_NO_GTEST_MAIN)
    set(gtest GTest::gtest)
  else()
    set(gtest GTest::gtest_main)
  endif()
  if(WIN32)
    target_link_libraries(${name} PRIVATE ${T_LIBS} quillfen_win quillfen_core ${gtest} qf_options)
    if(TARGET qf_generated)
      add_dependencies(${name} qf_generated)
    endif()
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} quillfen_core ${gtest} qf_options)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT ${QF_TEST_TIMEOUT})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
  if(WIN32)
    qf_wine_test(${name} ${T_DISPLAY})
    set_property(GLOBAL APPEND PROPERTY QF_WIN32_EXECUTABLES $<TARGET_FILE:${name}>)
    if(T_REGISTERED)
      # Needs Quillfen.dll and CorvaneHost.dll registered in the prefix.
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;registered")
      add_dependencies(${name} Quillfen CorvaneHost)
    endif()
    target_link_libraries(${name} PRIVATE qf_test_support)
  endif()
endfunction()

# Gives a CTest test the Wine environment and the persistent wineserver.
function(qf_wine_test name)
  set(env ${QF_WINE_ENV})
  if(ARGV1)
    list(APPEND env QF_NEEDS_DISPLAY=1)
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${env}"
    FIXTURES_REQUIRED wine
    SKIP_RETURN_CODE 77)
endfunction()
