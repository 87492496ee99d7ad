# gw_library(target folder [FILES f...] [EXCLUDE f...] [PUBLIC deps...]
#            [PRIVATE deps...]): a static library of the folder's .cpp files
# (all but the program's main.cpp, or only FILES, less EXCLUDE), so that a
# folder may hold a core and its widget part. Dependencies without a
# keyword are PUBLIC. An empty folder gives an interface library so that
# dependants link regardless.
function(gw_library target folder)
  cmake_parse_arguments(PARSE_ARGV 2 _a "" "" "FILES;EXCLUDE;PUBLIC;PRIVATE")
  if(_a_FILES)
    list(TRANSFORM _a_FILES PREPEND ${CMAKE_SOURCE_DIR}/${folder}/ OUTPUT_VARIABLE _src)
  else()
    file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
    list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
  endif()
  foreach(_x ${_a_EXCLUDE})
    list(REMOVE_ITEM _src ${CMAKE_SOURCE_DIR}/${folder}/${_x})
  endforeach()
  list(APPEND _a_PUBLIC ${_a_UNPARSED_ARGUMENTS})
  if(_src)
    add_library(${target} STATIC ${_src})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${_a_PUBLIC} PRIVATE ${_a_PRIVATE})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${_a_PUBLIC} ${_a_PRIVATE})
  endif()
  gw_layering_target(${target} ${folder})
endfunction()

# gw_program(name folder libs...): the program, once its main.cpp exists.
function(gw_program name folder)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${folder}/main.cpp)
    add_executable(${name} ${CMAKE_SOURCE_DIR}/${folder}/main.cpp)
    target_link_libraries(${name} PRIVATE ${ARGN})
    gw_layering_target(${name})
  endif()
endfunction()

# gw_presets(program source engine): a small program over the engine that
# writes the program's preset files at build time into <build>/<program>/
# (the program folder is the parent of bin/), before the program is built,
# and its icons into <build>/icons/ (laid out as share/icons/hicolor), which
# only the install needs.
function(gw_presets program source engine)
  if(NOT TARGET ${program})
    return()
  endif()
  add_executable(${program}_presets ${CMAKE_SOURCE_DIR}/${source})
  target_link_libraries(${program}_presets PRIVATE ${engine})
  gw_layering_target(${program}_presets)
  set_target_properties(${program}_presets PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  set(_stamp ${CMAKE_BINARY_DIR}/CMakeFiles/${program}_presets.stamp)
  add_custom_command(OUTPUT ${_stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/${program}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:${program}_presets> ${CMAKE_BINARY_DIR}/${program}
    COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
    DEPENDS ${program}_presets
    COMMENT "Writing the ${program} presets"
    VERBATIM)
  add_custom_target(${program}_preset_files ALL DEPENDS ${_stamp})
  add_dependencies(${program} ${program}_preset_files)
  set(_icons ${CMAKE_BINARY_DIR}/CMakeFiles/${program}_icons.stamp)
  add_custom_command(OUTPUT ${_icons}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:${program}_presets> --icons ${CMAKE_BINARY_DIR}/icons
    COMMAND ${CMAKE_COMMAND} -E touch ${_icons}
    DEPENDS ${program}_presets
    COMMENT "Drawing the ${program} icons"
    VERBATIM)
  add_custom_target(${program}_icons ALL DEPENDS ${_icons})
endfunction()
