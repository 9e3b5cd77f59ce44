# A search keystroke in the plate list window on a 100,000-row register,
# beside the same SELECT in the server.
vello_add_bench(bench_register_search ${VELLO_HERE}/register_search.cpp)
