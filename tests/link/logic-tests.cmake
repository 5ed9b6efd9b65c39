# The link's logic without a port: frames and hex codec, the catalogue,
# identification texts and the --port arguments.
quillon_add_qtest(NAME tst_frames SOURCES tst_frames.cpp LIBS quillon_link LABELS link)
quillon_add_qtest(NAME tst_catalogue SOURCES tst_catalogue.cpp LIBS quillon_link LABELS link)
quillon_add_qtest(NAME tst_identification SOURCES tst_identification.cpp LIBS quillon_link LABELS link)
