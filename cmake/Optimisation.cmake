# Code generation for the Windows programs. The installer program is what
# every download carries, so on Windows everything is compiled for size
# (-Os) except the inner loops an installation spends its time in: the
# codecs, the page cipher and the checksums, which vor_speed_critical()
# keeps at -O2. Native builds keep their build type's flags: the tools and
# the tests there are not shipped inside installers.

if(VOR_WINDOWS)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-Os>)
endif()

# The installer program is linked with link-time optimisation: the compiler
# then sees the whole program and drops what it never reaches, which the
# linker cannot (on Windows every object's unwind table keeps all of its
# functions). The objects carry both the compiler's intermediate form and
# machine code ("fat"), so the other programs and the tests link as usual.
option(VOR_INSTALLER_LTO "Link the Windows installer program with link-time optimisation" ON)
if(VOR_WINDOWS AND VOR_INSTALLER_LTO)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-flto> $<$<NOT:$<CONFIG:Debug>>:-ffat-lto-objects>)
  # Every other program links the machine code (vor_link_time_optimised
  # turns this back on for the installer).
  add_link_options($<$<NOT:$<CONFIG:Debug>>:-fno-lto>)
endif()

# vor_link_time_optimised(<target>)
# Links target from the intermediate form, for size. One partition: GCC 12
# for mingw fails on some of this code when it splits the program. No
# per-object data sections: mingw's compiler names them .data$<name> also for
# zero-initialised objects, which then take room in the file instead of .bss
# (the link-time compilation drops unused data itself).
function(vor_link_time_optimised target)
  if(VOR_WINDOWS AND VOR_INSTALLER_LTO)
    target_link_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-flto -flto-partition=one -Os
                        -ffunction-sections>)
  endif()
endfunction()

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
