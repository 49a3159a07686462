# Each subsystem folder lists its sources by pattern so that adding a file
# needs no edit of a shared list.
function(qv_glob_sources out dir)
  file(GLOB _found CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${out} ${_found} PARENT_SCOPE)
endfunction()
