# gw_library(target folder deps...): a static library of every .cpp in the
# folder except the program's main.cpp. An empty folder gives an interface
# library so that dependants link regardless.
function(gw_library target folder)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
  if(_src)
    add_library(${target} STATIC ${_src})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARGN})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# gw_program(name folder lib): the program, once its main.cpp exists.
function(gw_program name folder lib)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${folder}/main.cpp)
    add_executable(${name} ${CMAKE_SOURCE_DIR}/${folder}/main.cpp)
    target_link_libraries(${name} PRIVATE ${lib})
  endif()
endfunction()
