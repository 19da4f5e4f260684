# Pictures from peers: the structural check every metafile passes before the drawing
# helper sees it.
tv_add_fuzzer(fuzz_wmf_check SOURCES fuzz_wmf_check.cpp LIBS tv_metafile)
