# qor_core_room(<room> [<room it uses>...]): the library of one core room, src/<room>/, from
# every .cpp in it and in its subfolders, one level down (the platform files compile to nothing
# on the other platform). Core rooms are standard C++ only; each names the rooms it uses, and
# none uses a room above it.
function(qor_core_room room)
  set(folder ${PROJECT_SOURCE_DIR}/src/${room})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*/*.cpp)
  add_library(qor_${room} STATIC ${sources})
  target_include_directories(qor_${room} PUBLIC ${folder})
  file(GLOB entries LIST_DIRECTORIES true ${folder}/*)
  foreach(entry ${entries})
    if(IS_DIRECTORY ${entry})
      target_include_directories(qor_${room} PUBLIC ${entry})
    endif()
  endforeach()
  foreach(used ${ARGN})
    target_link_libraries(qor_${room} PUBLIC qor_${used})
  endforeach()
endfunction()
