# One static library per floor folder (cmake/floors.txt), qv_<folder>,
# linked to the floor below it. Each library compiles with an include path
# that holds only its own folder and the floors below it, so an upward or
# sideways include does not compile; scripts/check-includes.py says the same
# before the build and names the offending line.

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/floors.txt _qv_floor_lines REGEX "^[a-z]")
set(_qv_floors_below "")
set(_qv_floor_underneath "")
foreach(_line ${_qv_floor_lines})
  string(REPLACE " " ";" _folders "${_line}")
  foreach(_folder ${_folders})
    set(QV_FLOOR_SEES_${_folder} ${_qv_floors_below} ${_folder})
    set(QV_FLOOR_LINKS_${_folder} "")
    foreach(_under ${_qv_floor_underneath})
      list(APPEND QV_FLOOR_LINKS_${_folder} qv_${_under})
    endforeach()
  endforeach()
  list(APPEND _qv_floors_below ${_folders})
  set(_qv_floor_underneath ${_folders})
endforeach()
set(QV_FLOOR_FOLDERS ${_qv_floors_below})

# The include root of a floor folder: links to the folders it may see.
# Where links can't be made (a Windows account without the right), the
# source root stands in and the check script alone guards the floors.
function(qv_floor_include_root folder out)
  set(_root ${CMAKE_BINARY_DIR}/floor-includes/${folder})
  file(MAKE_DIRECTORY ${_root})
  foreach(_seen ${QV_FLOOR_SEES_${folder}})
    if(NOT EXISTS ${_root}/${_seen})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${_seen} ${_root}/${_seen} RESULT _linked SYMBOLIC)
      if(NOT _linked EQUAL 0)
        set(${out} ${CMAKE_SOURCE_DIR} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} ${_root} PARENT_SCOPE)
endfunction()

# qv_floor_library([SUBFOLDER...]): the library of the folder being
# configured, from its *.cpp files and those of the subfolders named; an
# INTERFACE library while there are none, so that the floors above still
# link through it.
function(qv_floor_library)
  get_filename_component(_folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  qv_glob_sources(_sources ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(_sub ${ARGN})
    qv_glob_sources(_sub_sources ${CMAKE_CURRENT_SOURCE_DIR}/${_sub})
    list(APPEND _sources ${_sub_sources})
  endforeach()
  qv_floor_include_root(${_folder} _root)
  if(_sources)
    add_library(qv_${_folder} STATIC ${_sources})
    target_include_directories(qv_${_folder} PRIVATE ${_root})
    target_link_libraries(qv_${_folder} PUBLIC ${QV_FLOOR_LINKS_${_folder}})
  else()
    add_library(qv_${_folder} INTERFACE)
    target_link_libraries(qv_${_folder} INTERFACE ${QV_FLOOR_LINKS_${_folder}})
  endif()
endfunction()

# qv_backend_library(): the library of the backend folder being configured
# (platform/sim -> qv_platform_sim), on its parent folder's floor. A backend
# defines functions that its floor declares and the floors above call, so
# it is an object library: a program that links it gets every object,
# wherever the callers stand in the link line.
function(qv_backend_library)
  get_filename_component(_backend ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  get_filename_component(_parent ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  get_filename_component(_folder ${_parent} NAME)
  qv_glob_sources(_sources ${CMAKE_CURRENT_SOURCE_DIR})
  qv_floor_include_root(${_folder} _root)
  add_library(qv_${_folder}_${_backend} OBJECT ${_sources})
  target_include_directories(qv_${_folder}_${_backend} PRIVATE ${_root})
  target_link_libraries(qv_${_folder}_${_backend} PUBLIC qv_${_folder})
endfunction()
