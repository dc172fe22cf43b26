# Code generation for the Windows programs. The installer program is what
# every download carries, so on Windows everything is compiled for size
# (-Os) except the inner loops an installation spends its time in: the
# codecs, the page cipher and the checksums, which vor_speed_critical()
# keeps at -O2. Native builds keep their build type's flags: the tools and
# the tests there are not shipped inside installers.

if(VOR_WINDOWS)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-Os>)
endif()

# vor_speed_critical(<sources...>)
# Sources (of the calling folder) whose code runs per byte or per page during
# an installation: compiled at -O2 where the rest is compiled for size.
function(vor_speed_critical)
  if(NOT VOR_WINDOWS)
    return()
  endif()
  foreach(f ${ARGN})
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/${f} PROPERTIES
      COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-O2>)
  endforeach()
endfunction()
