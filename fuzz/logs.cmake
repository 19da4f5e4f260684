# Information-log CSV files shown by the old-log viewer.
tv_add_fuzzer(fuzz_info_csv SOURCES fuzz_info_csv.cpp ${TV_SRC}/app/InfoLogCsv.cpp LIBS tv_text)
