# RTF from peers and from the log folder, and the pictures inside it.
tv_add_fuzzer(fuzz_rtf SOURCES fuzz_rtf.cpp LIBS tv_rtf)
tv_add_fuzzer(fuzz_rtf_picture SOURCES fuzz_rtf_picture.cpp LIBS tv_rtf)
