# Where `cmake --install` puts things, relative to the prefix. Every program of the
# suite goes into one program folder, which the programs treat as their home.
set(TV_INSTALL_PROGRAM_DIR lib/talvora)
