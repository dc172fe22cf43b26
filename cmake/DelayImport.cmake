# vor_delay_import(<target> <library>...): links <target> against delay-load
# import libraries of the named system libraries (user32, gdi32, ...), made
# at build time from the toolchain's own import libraries by
# make_delay_library.sh. Only kernel32 and the C runtime are then loaded
# when the program starts; every other system library is loaded at its
# first use, after the program has narrowed the library search.
function(vor_delay_import target)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "64")
    set(machine x86-64)
  else()
    set(machine i386)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/delay_import)
  set(outputs)
  foreach(lib IN LISTS ARGN)
    find_library(VOR_SYSTEM_IMPORT_${lib} NAMES lib${lib}.a REQUIRED NO_CMAKE_PATH
                 NO_CMAKE_ENVIRONMENT_PATH)
    set(out ${dir}/lib${lib}.a)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/make_delay_library.sh ${CMAKE_DLLTOOL} ${CMAKE_NM}
              ${CMAKE_OBJCOPY} ${CMAKE_AR} ${machine} ${VOR_SYSTEM_IMPORT_${lib}} ${out}
      DEPENDS ${PROJECT_SOURCE_DIR}/cmake/make_delay_library.sh ${VOR_SYSTEM_IMPORT_${lib}}
      COMMENT "Delay-load import library for ${lib}"
      VERBATIM)
    list(APPEND outputs ${out})
  endforeach()
  add_custom_target(${target}_delay_import DEPENDS ${outputs})
  add_dependencies(${target} ${target}_delay_import)
  # The -L in front of the toolchain's own folders: every -l<library> of the
  # link, whichever library asked for it, finds the delay-load one.
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  target_link_options(${target} PRIVATE -Wl,-T,${PROJECT_SOURCE_DIR}/cmake/delay_import.ld)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${outputs}
               ${PROJECT_SOURCE_DIR}/cmake/delay_import.ld)
endfunction()
