# The component's version is PROJECT_VERSION (the project() call at the top of
# the tree): the resources of Quillfen.dll and corvane.exe, the installer and
# the diagnostics log all take it from the headers written here.
#
# generated/quillfen_version.h  the version, written when CMake configures
# generated/build_stamp.h       the commit the build came from and whether the
#                               tree was modified; refreshed on every build but
#                               rewritten only when it changes, so an unchanged
#                               commit recompiles nothing

set(QF_VERSION ${PROJECT_VERSION})
set(QF_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/quillfen_version.h CONTENT
"// Written by CMake from the project's version; do not edit.
#pragma once
#define QF_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}
#define QF_VERSION_MINOR ${PROJECT_VERSION_MINOR}
#define QF_VERSION_PATCH ${PROJECT_VERSION_PATCH}
#define QF_VERSION_TWEAK ${PROJECT_VERSION_TWEAK}
#define QF_VERSION_COMMAS ${QF_VERSION_COMMAS}
#define QF_VERSION_STRING \"${PROJECT_VERSION}\"
")

find_program(QF_GIT git)
set(QF_BUILD_STAMP_HEADER ${CMAKE_BINARY_DIR}/generated/build_stamp.h)
set(qf_stamp_command ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DGIT=${QF_GIT}
  -DOUTPUT=${QF_BUILD_STAMP_HEADER} -P ${CMAKE_SOURCE_DIR}/cmake/build_stamp.cmake)
# Once now, so that the header exists before the first build scans for it.
execute_process(COMMAND ${qf_stamp_command})
add_custom_target(qf_build_stamp
  COMMAND ${qf_stamp_command}
  BYPRODUCTS ${QF_BUILD_STAMP_HEADER}
  COMMENT "Checking the build stamp"
  VERBATIM)

# qf_use_version(target source): the source (a .rc or .cpp) includes the
# generated version headers and is recompiled when the stamp changes.
function(qf_use_version target source)
  add_dependencies(${target} qf_build_stamp)
  get_source_file_property(deps ${source} TARGET_DIRECTORY ${target} OBJECT_DEPENDS)
  if(NOT deps)
    set(deps "")
  endif()
  list(APPEND deps ${CMAKE_BINARY_DIR}/generated/quillfen_version.h ${QF_BUILD_STAMP_HEADER})
  set_source_files_properties(${source} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS "${deps}")
endfunction()
