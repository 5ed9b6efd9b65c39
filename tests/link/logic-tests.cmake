# The link's logic without a port: frames and hex codec, the catalogue,
# identification texts and the --port arguments.
quillon_add_qtest(NAME tst_frames SOURCES tst_frames.cpp LIBS quillon_link LABELS link)
quillon_add_qtest(NAME tst_catalogue SOURCES tst_catalogue.cpp LIBS quillon_link LABELS link)
quillon_add_qtest(NAME tst_identification SOURCES tst_identification.cpp LIBS quillon_link LABELS link)
quillon_add_qtest(NAME tst_portwatch SOURCES tst_portwatch.cpp LIBS quillon_link LABELS link)

# The scanner simulator: its pieces, and the program on its pseudo-terminal.
quillon_add_qtest(NAME tst_simulator SOURCES tst_simulator.cpp simulatorrun.h
  LIBS quillon_scanner_sim_core quillon_link quillon_records LABELS link TIMEOUT 60)
target_sources(tst_simulator PRIVATE ${PROJECT_SOURCE_DIR}/sim/simoptions.cpp)
target_compile_definitions(tst_simulator PRIVATE QUILLON_SIM_BINARY="$<TARGET_FILE:quillon-scanner-sim>")
add_dependencies(tst_simulator quillon-scanner-sim)

# Not a test: the CPU time the link takes, for a look by eye.
add_executable(quillon-link-cpu linkcpu.cpp)
target_link_libraries(quillon-link-cpu PRIVATE quillon_link quillon_fake_scanner)
