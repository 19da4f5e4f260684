# The IRC pane's handling of server lines: bytes in, changes and sent lines checked.
tv_add_fuzzer(fuzz_irc_handling SOURCES fuzz_irc_handling.cpp LIBS tv_irchandling)
