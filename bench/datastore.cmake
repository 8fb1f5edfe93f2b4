# Query pool against plain prepared statements on the same connection.
pkg_check_modules(BENCH_SQLCIPHER REQUIRED IMPORTED_TARGET sqlcipher)
pemblo_add_bench(bench_datastore SOURCES datastore/PoolBench.cpp LIBS pemblo_datastore PkgConfig::BENCH_SQLCIPHER)
