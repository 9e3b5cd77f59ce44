# A workstation's cluster node killed half way through a run of finalisations:
# how soon the workstation goes on through the next node, and whether what
# it was told holds (one and two workstations).
vello_add_bench(bench_failover ${VELLO_HERE}/failover.cpp
  ${CMAKE_SOURCE_DIR}/tests/cluster/clusterdb.h ${CMAKE_SOURCE_DIR}/tests/cluster/clusterdb.cpp)
target_include_directories(bench_failover PRIVATE ${CMAKE_SOURCE_DIR}/tests/cluster)
