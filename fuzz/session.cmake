tv_add_fuzzer(fuzz_session_message SOURCES fuzz_session_message.cpp
              ${TV_SRC}/session/SessionMessage.cpp LIBS Qt6::Core)
