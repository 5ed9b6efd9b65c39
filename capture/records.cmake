# Card-record logic: receive dispatch, card parsers, output composer. Qt Core
# only. The source list is shared with the fuzzing harness, which builds the
# same files with its own compiler and sanitizers.
set(QUILLON_CAPTURE_RECORD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/carddate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cardparser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/composer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fieldnames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receivedblock.cpp
  CACHE INTERNAL "Sources of quillon_capture")

add_library(quillon_capture STATIC
  ${QUILLON_CAPTURE_RECORD_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/carddate.h
  ${CMAKE_CURRENT_LIST_DIR}/cardparser.h
  ${CMAKE_CURRENT_LIST_DIR}/composer.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldnames.h
  ${CMAKE_CURRENT_LIST_DIR}/idrecord.h
  ${CMAKE_CURRENT_LIST_DIR}/receivedblock.h)
target_include_directories(quillon_capture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quillon_capture PUBLIC Qt5::Core)
