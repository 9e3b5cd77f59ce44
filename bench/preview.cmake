# bench_preview: opening the print preview of the plate list on a
# 100,000-plate register, beside the same on 100 plates.
vello_add_bench(bench_preview ${VELLO_HERE}/preview_open.cpp)
