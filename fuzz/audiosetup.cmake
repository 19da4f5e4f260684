# The sound devices' reader of WAV file headers.
tv_add_fuzzer(fuzz_setup_wav SOURCES fuzz_setup_wav.cpp LIBS tv_audiosetup_wav)
