# Pictures from peers: a picture message's body to what the chat log shows, and the
# structural check every metafile passes before the drawing helper sees it.
tv_add_fuzzer(fuzz_picture_show SOURCES fuzz_picture_show.cpp
              ${TV_SRC}/mainwindow/ChatPicture.cpp ${TV_SRC}/session/SessionMessage.cpp
              LIBS tv_metafile)
tv_add_fuzzer(fuzz_wmf_check SOURCES fuzz_wmf_check.cpp LIBS tv_metafile)
