# Warnings are errors in spirit: the build is kept free of them at -Wall -Wextra.
add_compile_options(-Wall -Wextra)
if(VOR_WINDOWS)
  # Windows executables carry their runtime: no mingw DLLs to ship.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Every function and datum in a section of its own, so that the linker
  # drops what no program reaches: the installer is what users download.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
endif()
