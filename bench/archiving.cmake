# Archiving a decade's tickets, beside a plain SQL script of the same effect
# run in the mariadb client, and 1,000,000 tickets beside 500,000.
vello_add_bench(bench_archiving ${VELLO_HERE}/archiving.cpp)
# The archive export of 1,000,000 rows beside libxlsxwriter writing the same
# cells from memory; peak resident memory.
vello_add_bench(bench_export ${VELLO_HERE}/export.cpp)
