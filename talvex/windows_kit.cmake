# The kit for Windows callers: both DLLs (stripped) with import libraries for mingw
# (.dll.a) and for Microsoft's linker (.lib, short import format), the header,
# the .def files, a README and the licence, zipped. The mingw import libraries come from
# binutils' dlltool, the .lib files from llvm-dlltool; both read the .def, so
# no Windows toolchain is needed. 32-bit callers use stdcall-decorated names,
# hence the second .def with "kill-at".
if(NOT TARGET talvex-dll OR NOT TALVEX_MINGW_CXX_x86_64 OR NOT TALVEX_MINGW_CXX_i686)
  return()
endif()
find_program(TALVEX_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
if(NOT TALVEX_LLVM_DLLTOOL)
  message(STATUS "llvm-dlltool not found: no Windows kit for Talvex")
  return()
endif()

set(kit_name Talvex-${TALVEX_VERSION}-windows)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/talvex/kit)
set(kit_dir ${CMAKE_BINARY_DIR}/talvex/kit/${kit_name})
set(TALVEX_WINDOWS_KIT ${CMAKE_BINARY_DIR}/talvex/kit/${kit_name}.zip)
set(TALVEX_WINDOWS_KIT ${TALVEX_WINDOWS_KIT} PARENT_SCOPE)

set(kit_commands
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${kit_dir} ${TALVEX_WINDOWS_KIT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${kit_dir}/include
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/include/talvex.h ${kit_dir}/include/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/talvex.def
          ${CMAKE_CURRENT_SOURCE_DIR}/talvex_i686.def ${CMAKE_CURRENT_SOURCE_DIR}/kit/README.txt ${kit_dir}/
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${kit_dir}/LICENSE.txt)
foreach(arch x86_64 i686)
  if(arch STREQUAL "x86_64")
    set(def ${CMAKE_CURRENT_SOURCE_DIR}/talvex.def)
    set(machine i386:x86-64)
    set(kill_at "")
  else()
    set(def ${CMAKE_CURRENT_SOURCE_DIR}/talvex_i686.def)
    set(machine i386)
    set(kill_at -k)
  endif()
  get_filename_component(mingw_bin ${TALVEX_MINGW_CXX_${arch}} DIRECTORY)
  set(out ${kit_dir}/${arch})
  list(APPEND kit_commands
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${mingw_bin}/${arch}-w64-mingw32-strip -o ${out}/Talvex.dll
            ${CMAKE_BINARY_DIR}/talvex/${arch}-w64-mingw32/Talvex.dll
    COMMAND ${mingw_bin}/${arch}-w64-mingw32-dlltool ${kill_at} -d ${def} -D Talvex.dll -l ${out}/libtalvex.dll.a
    COMMAND ${TALVEX_LLVM_DLLTOOL} -m ${machine} ${kill_at} -d ${def} -D Talvex.dll -l ${out}/Talvex.lib)
endforeach()

add_custom_command(OUTPUT ${TALVEX_WINDOWS_KIT}
  ${kit_commands}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${TALVEX_WINDOWS_KIT} --format=zip ${kit_name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/talvex/kit
  DEPENDS talvex-dll ${TALVEX_DLLS} ${CMAKE_CURRENT_SOURCE_DIR}/include/talvex.h
          ${CMAKE_CURRENT_SOURCE_DIR}/talvex.def ${CMAKE_CURRENT_SOURCE_DIR}/talvex_i686.def
          ${CMAKE_CURRENT_SOURCE_DIR}/kit/README.txt ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Zipping the Talvex kit for Windows"
  VERBATIM)
add_custom_target(talvex-windows-kit ALL DEPENDS ${TALVEX_WINDOWS_KIT})
