# Two workstations finalising 1,000 weighings each at once, on one server and
# on a three-node Galera cluster (scripts/cluster), beside one workstation
# alone: numbers issued, lost weighings, failures, throughput ratios.
vello_add_bench(bench_finalise_two ${VELLO_HERE}/finalise_two.cpp
  ${CMAKE_SOURCE_DIR}/tests/cluster/clusterdb.h ${CMAKE_SOURCE_DIR}/tests/cluster/clusterdb.cpp)
target_include_directories(bench_finalise_two PRIVATE ${CMAKE_SOURCE_DIR}/tests/cluster)
