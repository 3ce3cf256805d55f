# The Linux desktop's decoders of outside data: user-dirs.dirs and launcher-entry updates (GLib).
if(NOT TARGET PkgConfig::GIO)
  pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
endif()
add_library(fuzz_xdg_decoders STATIC
  ${root}/platform/xdg/UserDirectories.cpp ${root}/platform/xdg/LauncherBadges.cpp
  ${root}/platform/xdg/SessionBus.cpp)
target_include_directories(fuzz_xdg_decoders PUBLIC ${root})
target_compile_options(fuzz_xdg_decoders PRIVATE -fsanitize=fuzzer-no-link)
# The bounded reader of user-dirs.dirs comes with the file manager.
target_link_libraries(fuzz_xdg_decoders PUBLIC fuzz_decoders PkgConfig::GIO Threads::Threads)

foreach(name user_dirs launcher_entry)
  add_executable(fuzz_${name} ${name}.cpp)
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(fuzz_${name} PRIVATE fuzz_xdg_decoders)
endforeach()
