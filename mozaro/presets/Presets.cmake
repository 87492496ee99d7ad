# The preset tiles of Mozaro's preset browser, made at build time into
# <build>/mozaro/{wood,stone,industrial,ornamental,misc} (the program folder
# is the parent of bin/) by a small program over the tile parameter file.
add_executable(mozaro_presets ${CMAKE_SOURCE_DIR}/mozaro/presets/MakePresets.cpp)
target_link_libraries(mozaro_presets PRIVATE mozaro_engine)
set_target_properties(mozaro_presets PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(_stamp ${CMAKE_BINARY_DIR}/CMakeFiles/mozaro_presets.stamp)
add_custom_command(OUTPUT ${_stamp}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:mozaro_presets> ${CMAKE_BINARY_DIR}/mozaro
  COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
  DEPENDS mozaro_presets
  COMMENT "Making Mozaro's preset tiles"
  VERBATIM)
add_custom_target(mozaro_preset_files ALL DEPENDS ${_stamp})
if(TARGET mozaro)
  add_dependencies(mozaro mozaro_preset_files)
endif()
