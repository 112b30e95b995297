# qor_core_room(<room> [<room it uses>...]): the library of one core room, src/<room>/, from
# every .cpp in it (the platform files compile to nothing on the other platform). Core rooms
# are standard C++ only; each names the rooms it uses, and none uses a room above it.
function(qor_core_room room)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${room}/*.cpp)
  add_library(qor_${room} STATIC ${sources})
  target_include_directories(qor_${room} PUBLIC ${PROJECT_SOURCE_DIR}/src/${room})
  foreach(used ${ARGN})
    target_link_libraries(qor_${room} PUBLIC qor_${used})
  endforeach()
endfunction()
