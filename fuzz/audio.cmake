# The voice path's readers of network and file input: voice frames (fed on to playback)
# and capture WAV files.
tv_add_fuzzer(fuzz_voice_frame SOURCES fuzz_voice_frame.cpp LIBS tv_audio tv_peer_wire)
tv_add_fuzzer(fuzz_wav SOURCES fuzz_wav.cpp LIBS tv_audio)
