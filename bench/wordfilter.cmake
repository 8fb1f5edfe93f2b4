pkg_check_modules(HYPERSCAN IMPORTED_TARGET libhs)

pemblo_add_bench(bench_wordfilter SOURCES wordfilter/WordFilterBench.cpp LIBS SVWordTree pemblo_wordtree)
if(HYPERSCAN_FOUND)
  target_link_libraries(bench_wordfilter PRIVATE PkgConfig::HYPERSCAN)
  target_compile_definitions(bench_wordfilter PRIVATE HAVE_HYPERSCAN)
endif()

# A fresh process per measurement of the first call (the build of the word list).
pemblo_add_bench(bench_wordfilter_firstcall SOURCES wordfilter/FirstCallProbe.cpp LIBS SVWordTree pemblo_cp936)
add_dependencies(bench_wordfilter bench_wordfilter_firstcall)
target_compile_definitions(bench_wordfilter PRIVATE FIRSTCALL_PROBE="$<TARGET_FILE:bench_wordfilter_firstcall>")
