# The ISO-2022-JP codec of TvIRC: server bytes in, user text out.
tv_add_fuzzer(fuzz_iso2022jp_decode SOURCES fuzz_iso2022jp_decode.cpp LIBS tv_irccodec)
tv_add_fuzzer(fuzz_iso2022jp_encode SOURCES fuzz_iso2022jp_encode.cpp LIBS tv_irccodec)
