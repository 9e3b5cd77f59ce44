# From a burst's last byte to its cluster being readable, and the worker's idle CPU.
vello_add_bench(bench_scale_latency ${VELLO_HERE}/scale_latency.cpp)
