# quillon_add_qtest(NAME name SOURCES ... LIBS ... [DISPLAY] [LABELS ...] [TIMEOUT s])
#
# Builds one QtTest program and registers it with CTest. Tests run on the
# offscreen platform unless DISPLAY is given: those need the real X server that
# the test command starts (DISPLAY is passed through) and skip when none is there.
# They share one keyboard focus and one keymap, so they hold QUILLON_DISPLAY_LOCK
# and never run two at once; other tests on the X server take it too.
set(QUILLON_DISPLAY_LOCK x_display)

function(quillon_add_qtest)
  cmake_parse_arguments(T "DISPLAY" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(env "QT_LOGGING_RULES=qt.qpa.*=false")
  if(T_DISPLAY)
    list(APPEND T_LABELS display)
  elseif(NOT WIN32)
    # Windows programs under Wine keep the Windows platform: the Qt built
    # for it has no other.
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "${env}"
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    SKIP_RETURN_CODE 77)
  if(T_DISPLAY)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK ${QUILLON_DISPLAY_LOCK})
  endif()
endfunction()
