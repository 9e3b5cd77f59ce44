# Voided tickets on a decade of tickets: the stock statements beside the same
# SQL in the mariadb client, and the ticket browser's opening and searches
# with 1 % of the tickets voided beside the same without voids.
vello_add_bench(bench_voids ${VELLO_HERE}/voids.cpp)
