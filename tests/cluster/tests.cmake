vello_add_cluster_test(test_cluster ${VELLO_HERE}/test_cluster.cpp ${VELLO_HERE}/clusterdb.h ${VELLO_HERE}/clusterdb.cpp)
