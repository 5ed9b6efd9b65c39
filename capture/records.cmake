# Card-record logic: the receive-path decisions, the two card parsers and the
# composer. Qt Core only. The fuzz harness builds these same files, so the
# list is kept once here.
set(QUILLON_RECORD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/idrecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fieldnames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/carddate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blockslice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mrzparser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/longrecordparser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/composer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receivedblock.cpp
  CACHE INTERNAL "Sources of quillon_capture")

add_library(quillon_capture STATIC
  ${QUILLON_RECORD_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/idrecord.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldnames.h
  ${CMAKE_CURRENT_LIST_DIR}/carddate.h
  ${CMAKE_CURRENT_LIST_DIR}/blockslice.h
  ${CMAKE_CURRENT_LIST_DIR}/cardparser.h
  ${CMAKE_CURRENT_LIST_DIR}/composer.h
  ${CMAKE_CURRENT_LIST_DIR}/receivedblock.h
)
target_include_directories(quillon_capture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quillon_capture PUBLIC Qt5::Core)
