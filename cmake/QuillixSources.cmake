# quillix_folder_sources(<variable> [EXCLUDE <name>...]): every *.cpp of the current source folder but
# the excluded names. A Windows build takes every *.cpp of its win/ folder as well, each in place of
# the file of the same name beside it: a twin holds only the operating-system calls of that file, and
# a win/ file without a twin adds what only Windows needs.
function(quillix_folder_sources out)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXCLUDE")
  set(folder ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(WIN32)
    file(GLOB twins CONFIGURE_DEPENDS ${folder}/win/*.cpp)
    foreach(twin ${twins})
      get_filename_component(name ${twin} NAME)
      list(REMOVE_ITEM sources ${folder}/${name})
    endforeach()
    list(APPEND sources ${twins})
  endif()
  foreach(name ${arg_EXCLUDE})
    list(REMOVE_ITEM sources ${folder}/${name})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
