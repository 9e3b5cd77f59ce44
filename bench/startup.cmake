vello_add_bench(bench_startup ${VELLO_HERE}/bench_startup.cpp)
