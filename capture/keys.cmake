# The keystroke injector: the typing rules against a narrow keyboard device,
# the recording device for tests, the Windows keyboard's layout logic (its
# system calls sit behind WindowsInput, so it is tested everywhere), and the
# Qt edge (typeBytes, and what the operator is told about typing). Qt Core
# only, and only in typebytes.cpp and typingnotices.cpp: the rest also builds
# for Windows without Qt.
add_library(quillon_keys STATIC
  ${CMAKE_CURRENT_LIST_DIR}/altcode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/altcode.h
  ${CMAKE_CURRENT_LIST_DIR}/keyboard_windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyboard_windows.h
  ${CMAKE_CURRENT_LIST_DIR}/keyboarddevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyboarddevice.h
  ${CMAKE_CURRENT_LIST_DIR}/keyinjector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyinjector.h
  ${CMAKE_CURRENT_LIST_DIR}/keystreamreader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keystreamreader.h
  ${CMAKE_CURRENT_LIST_DIR}/recordingkeyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recordingkeyboard.h
  ${CMAKE_CURRENT_LIST_DIR}/typebytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typebytes.h
  ${CMAKE_CURRENT_LIST_DIR}/typingnotices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typingnotices.h
  ${CMAKE_CURRENT_LIST_DIR}/uslayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uslayout.h
  ${CMAKE_CURRENT_LIST_DIR}/virtualkeys.h
  ${CMAKE_CURRENT_LIST_DIR}/windows1252.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows1252.h
  ${CMAKE_CURRENT_LIST_DIR}/windowsinput.h)
target_include_directories(quillon_keys PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quillon_keys PUBLIC Qt5::Core)

# The keyboard of this desktop, chosen at start: Windows; in a Wayland
# session a virtual keyboard of the compositor; an X display through XTest;
# or a silent one when none is there.
if(WIN32)
  add_library(quillon_system_keyboard STATIC
    ${CMAKE_CURRENT_LIST_DIR}/windowsinput_user32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/systemkeyboard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/systemkeyboard.h)
  target_link_libraries(quillon_system_keyboard PUBLIC quillon_keys PRIVATE user32)
else()
  find_package(X11 REQUIRED)
  if(NOT X11_XTest_FOUND)
    message(FATAL_ERROR "The X keyboard needs the XTest library (libxtst-dev)")
  endif()
  include(${PROJECT_SOURCE_DIR}/cmake/WaylandProtocols.cmake)
  pkg_check_modules(XKBCOMMON REQUIRED IMPORTED_TARGET GLOBAL xkbcommon)
  add_library(quillon_system_keyboard STATIC
    ${CMAKE_CURRENT_LIST_DIR}/blockkeymap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/blockkeymap.h
    ${CMAKE_CURRENT_LIST_DIR}/keyboard_wayland.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keyboard_wayland.h
    ${CMAKE_CURRENT_LIST_DIR}/keyboard_x11.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keyboard_x11.h
    ${CMAKE_CURRENT_LIST_DIR}/sparekeypool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sparekeypool.h
    ${CMAKE_CURRENT_LIST_DIR}/systemkeyboard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/systemkeyboard.h
    ${CMAKE_CURRENT_LIST_DIR}/x11keymap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11keymap.h
    ${CMAKE_CURRENT_LIST_DIR}/x11keysyms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11keysyms.h
    ${CMAKE_CURRENT_LIST_DIR}/x11sparekeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x11sparekeys.h
    ${CMAKE_CURRENT_LIST_DIR}/waylandclient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/waylandclient.h)
  quillon_wayland_protocols(quillon_system_keyboard
    ${CMAKE_CURRENT_LIST_DIR}/protocols/virtual-keyboard-unstable-v1.xml)
  target_link_libraries(quillon_system_keyboard PUBLIC quillon_keys PkgConfig::XKBCOMMON
    PRIVATE X11::X11 X11::Xtst)
endif()
