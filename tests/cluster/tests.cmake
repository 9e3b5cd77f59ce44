vello_add_cluster_test(test_cluster ${VELLO_HERE}/test_cluster.cpp ${VELLO_HERE}/clusterdb.h ${VELLO_HERE}/clusterdb.cpp)
# Kills a node of the test cluster and starts it again: runs on its own.
vello_add_cluster_test(test_failover ${VELLO_HERE}/test_failover.cpp ${VELLO_HERE}/clusterdb.h ${VELLO_HERE}/clusterdb.cpp)
set_tests_properties(test_failover PROPERTIES RUN_SERIAL TRUE)
