# Information-log CSV files shown by the old-log viewer.
tv_add_fuzzer(fuzz_info_csv SOURCES fuzz_info_csv.cpp LIBS tv_app)
