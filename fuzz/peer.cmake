# The peer session service's decoders of what arrives from the network: link frames
# and search datagrams, and the address URLs.
tv_add_fuzzer(fuzz_peer_wire SOURCES fuzz_peer_wire.cpp LIBS tv_peer_wire)
tv_add_fuzzer(fuzz_peer_url SOURCES fuzz_peer_url.cpp LIBS tv_peer_wire)
