# Pictures from peers: a picture message's body to what the chat log shows, and the
# structural check every metafile passes before the drawing helper sees it.
tv_add_fuzzer(fuzz_picture_show SOURCES fuzz_picture_show.cpp LIBS tv_mainwindow)
tv_add_fuzzer(fuzz_wmf_check SOURCES fuzz_wmf_check.cpp LIBS tv_metafile)
